# kxrt_add_suite(NAME <name> SUITE <dir> SCRIPTS <script>...
#                [LIBRARIES <target>...] [FILTER <pattern>...] [SHARDS <n>] [JOBS <n>])
#
# Adds one CTest test per script, "<name>.<script>", that runs rtrun on the
# suite in <dir> with the test libraries built by the LIBRARIES targets
# (found where they are built, through --lib-dir: nothing is copied). Each
# test writes into a result directory of its own below the build tree, so
# `ctest -j` runs them side by side, and leaves a JUnit file, junit.xml,
# beside its report. rtrun's exit status is the test's verdict.
#
# With SHARDS n, all the scripts run instead as n shards, "<name>.shard-I",
# each taking every n-th test, and a test "<name>.merge" (which needs them,
# as a CTest fixture) merges their reports into one in kxrt/<name>/merged/,
# with junit.xml beside it: the merge's exit status is the suite's verdict,
# while a shard fails only when it could not run.
#
# With JOBS n, each of those tests runs its tests n at a time (rtrun --jobs
# n) and declares PROCESSORS n, so that `ctest -j` counts what it takes.
# Shards and jobs compose: each shard then runs at n jobs.
#
# Each LIBRARIES target must build a file rtrun loads (its name holds "KxRt"
# and "80" plus the library suffix): checked at the end of the directory,
# once the targets' properties are all set, and a configure error otherwise.

# The file a library target builds, and whether rtrun loads it as a test library.
function(_kxrt_check_test_library target)
  get_target_property(aliased "${target}" ALIASED_TARGET)
  if(aliased)
    set(target "${aliased}")
  endif()
  get_target_property(imported "${target}" IMPORTED)
  if(imported)
    return()  # its file is wherever it was built
  endif()
  get_target_property(type "${target}" TYPE)
  if(NOT type MATCHES "^(SHARED|MODULE)_LIBRARY$")
    message(FATAL_ERROR "kxrt_add_suite: LIBRARIES target ${target} is a ${type}; a test library is a shared library")
  endif()
  set(kind SHARED_LIBRARY)
  if(type STREQUAL "MODULE_LIBRARY")
    set(kind SHARED_MODULE)
  endif()
  get_target_property(name "${target}" OUTPUT_NAME)
  if(NOT name)
    set(name "${target}")
  endif()
  get_target_property(prefix "${target}" PREFIX)
  if(prefix MATCHES "-NOTFOUND$")
    set(prefix "${CMAKE_${kind}_PREFIX}")
  endif()
  get_target_property(suffix "${target}" SUFFIX)
  if(suffix MATCHES "-NOTFOUND$")
    set(suffix "${CMAKE_${kind}_SUFFIX}")
  endif()
  set(file "${prefix}${name}${suffix}")
  set(rule "80${CMAKE_SHARED_LIBRARY_SUFFIX}")
  string(FIND "${file}" "KxRt" has_kxrt)
  string(FIND "${file}" "${rule}" has_rule)
  if(has_kxrt EQUAL -1 OR has_rule EQUAL -1)
    message(FATAL_ERROR "kxrt_add_suite: LIBRARIES target ${target} builds ${file}, which rtrun does not load: "
      "a test library's file name holds \"KxRt\" and \"${rule}\" (name the target KxRt<Name>80, or set its OUTPUT_NAME)")
  endif()
endfunction()

function(kxrt_add_suite)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "" "NAME;SUITE;SHARDS;JOBS" "SCRIPTS;LIBRARIES;FILTER")
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
    if(NOT TARGET "${library}")
      message(FATAL_ERROR "kxrt_add_suite: LIBRARIES names ${library}, which is not a target")
    endif()
    # A deferred call reads its variables when it runs: the name goes in as text.
    cmake_language(EVAL CODE "cmake_language(DEFER CALL _kxrt_check_test_library [==[${library}]==])")
    list(APPEND options --lib-dir "$<TARGET_FILE_DIR:${library}>")
  endforeach()
  foreach(pattern IN LISTS ARG_FILTER)
    list(APPEND options "--filter=${pattern}")
  endforeach()
  set(processors 1)
  if(DEFINED ARG_JOBS)
    if(NOT ARG_JOBS MATCHES "^[1-9][0-9]*$")
      message(FATAL_ERROR "kxrt_add_suite: JOBS needs a count, not ${ARG_JOBS}")
    endif()
    list(APPEND options --jobs "${ARG_JOBS}")
    set(processors "${ARG_JOBS}")
  endif()
  if(ARG_SHARDS)
    if(NOT ARG_SHARDS MATCHES "^[1-9][0-9]*$")
      message(FATAL_ERROR "kxrt_add_suite: SHARDS needs a count, not ${ARG_SHARDS}")
    endif()
    set(results "${CMAKE_CURRENT_BINARY_DIR}/kxrt/${ARG_NAME}/")
    file(MAKE_DIRECTORY "${results}")
    math(EXPR last "${ARG_SHARDS} - 1")
    set(shard_dirs "")
    foreach(index RANGE ${last})
      set(test "${ARG_NAME}.shard-${index}")
      add_test(NAME "${test}"
        COMMAND "${CMAKE_COMMAND}" -E env "KXRT_RESULT_DIR=${results}"
          "$<TARGET_FILE:KxRt::rtrun>" ${options} --shard "${index}/${ARG_SHARDS}" ${ARG_SCRIPTS})
      # A shard's own verdict is the merge's to give; the shard fails when it could not run.
      set_tests_properties("${test}" PROPERTIES FIXTURES_SETUP "${ARG_NAME}.shards"
        PASS_REGULAR_EXPRESSION "[0-9]+ tests: [0-9]+ passed" PROCESSORS "${processors}")
      if(ARG_SHARDS EQUAL 1)  # rtrun runs one shard of one as a whole run, into the directory itself
        list(APPEND shard_dirs "${results}")
      else()
        list(APPEND shard_dirs "${results}shard-${index}-of-${ARG_SHARDS}")
      endif()
    endforeach()
    add_test(NAME "${ARG_NAME}.merge"
      COMMAND "$<TARGET_FILE:KxRt::rtrun>" --suite "${suite}" --merge "${results}merged"
        --junit "${results}merged/junit.xml" ${shard_dirs})
    set_tests_properties("${ARG_NAME}.merge" PROPERTIES FIXTURES_REQUIRED "${ARG_NAME}.shards")
    return()
  endif()
  foreach(script IN LISTS ARG_SCRIPTS)
    string(MAKE_C_IDENTIFIER "${script}" id)
    set(results "${CMAKE_CURRENT_BINARY_DIR}/kxrt/${ARG_NAME}/${id}/")
    file(MAKE_DIRECTORY "${results}")
    add_test(NAME "${ARG_NAME}.${script}"
      COMMAND "${CMAKE_COMMAND}" -E env "KXRT_RESULT_DIR=${results}"
        "$<TARGET_FILE:KxRt::rtrun>" ${options} --junit "${results}junit.xml" "${script}")
    set_tests_properties("${ARG_NAME}.${script}" PROPERTIES PROCESSORS "${processors}")
  endforeach()
endfunction()
