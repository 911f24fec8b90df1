# kxrt_add_suite(NAME <name> SUITE <dir> SCRIPTS <script>...
#                [LIBRARIES <target>...] [FILTER <pattern>...])
#
# Adds one CTest test per script, "<name>.<script>", that runs rtrun on the
# suite in <dir> with the test libraries built by the LIBRARIES targets
# (found where they are built, through --lib-dir: nothing is copied). Each
# test writes into a result directory of its own below the build tree, so
# `ctest -j` runs them side by side, and leaves a JUnit file, junit.xml,
# beside its report. rtrun's exit status is the test's verdict.
function(kxrt_add_suite)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "" "NAME;SUITE" "SCRIPTS;LIBRARIES;FILTER")
  if(NOT ARG_NAME OR NOT ARG_SUITE OR NOT ARG_SCRIPTS)
    message(FATAL_ERROR "kxrt_add_suite: NAME, SUITE and SCRIPTS are required")
  endif()
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "kxrt_add_suite: unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  get_filename_component(suite "${ARG_SUITE}" ABSOLUTE)
  if(NOT IS_DIRECTORY "${suite}/Config")
    message(FATAL_ERROR "kxrt_add_suite: ${suite} holds no Config/ directory")
  endif()
  set(options --suite "${suite}")
  foreach(library IN LISTS ARG_LIBRARIES)
    list(APPEND options --lib-dir "$<TARGET_FILE_DIR:${library}>")
  endforeach()
  foreach(pattern IN LISTS ARG_FILTER)
    list(APPEND options "--filter=${pattern}")
  endforeach()
  foreach(script IN LISTS ARG_SCRIPTS)
    string(MAKE_C_IDENTIFIER "${script}" id)
    set(results "${CMAKE_CURRENT_BINARY_DIR}/kxrt/${ARG_NAME}/${id}/")
    file(MAKE_DIRECTORY "${results}")
    add_test(NAME "${ARG_NAME}.${script}"
      COMMAND "${CMAKE_COMMAND}" -E env "KXRT_RESULT_DIR=${results}"
        "$<TARGET_FILE:KxRt::rtrun>" ${options} --junit "${results}junit.xml" "${script}")
  endforeach()
endfunction()
