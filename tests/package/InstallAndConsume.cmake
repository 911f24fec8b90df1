# cmake -P script: install BUILD_DIR into WORK_DIR/prefix, build the consumer
# project in CONSUMER_DIR against it and run it with no library search path
# set, so that the installed libraries must be found through their RUNPATH.
foreach(required BUILD_DIR CONSUMER_DIR WORK_DIR GENERATOR EXPECTED_VERSION)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "${required} is not given")
  endif()
endforeach()

set(prefix "${WORK_DIR}/prefix")
set(consumer_build "${WORK_DIR}/build")
file(REMOVE_RECURSE "${WORK_DIR}")

# run_step(<what> <command>...): runs the command, fails the test with its
# output when it fails, and leaves its standard output in step_output.
function(run_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

run_step("install" ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")
string(REGEX MATCH "^[0-9]+" major "${EXPECTED_VERSION}")
foreach(installed include/Rt/Rt.h lib/libDi80.so lib/libRt.so lib/libDi80.so.${major} lib/libRt.so.${major}
                  lib/cmake/KxRt/KxRtConfig.cmake)
  if(NOT EXISTS "${prefix}/${installed}")
    message(FATAL_ERROR "install did not produce ${installed}")
  endif()
endforeach()
foreach(internal env/Platform.h report/WholeFileReader.h report/SecondsText.h results/RunEvents.h
                 results/MessageChannel.h driver/TextSpan.h)
  if(EXISTS "${prefix}/include/Rt/${internal}")
    message(FATAL_ERROR "install put the internal header ${internal} into the package")
  endif()
endforeach()

set(configure_args -S "${CONSUMER_DIR}" -B "${consumer_build}" -G "${GENERATOR}"
    "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON)
if(CXX_COMPILER)
  list(APPEND configure_args "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}")
endif()
if(CXX_FLAGS)
  list(APPEND configure_args "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${CXX_FLAGS}")
endif()
run_step("configure consumer" ${CMAKE_COMMAND} ${configure_args})

# The same project with a test library whose file name breaks the rule: its
# configure step fails and says why.
execute_process(COMMAND ${CMAKE_COMMAND} -S "${CONSUMER_DIR}" -B "${WORK_DIR}/misnamed" -G "${GENERATOR}"
    "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON -DCONSUMER_MISNAMED=ON
  RESULT_VARIABLE misnamed_status OUTPUT_VARIABLE misnamed_out ERROR_VARIABLE misnamed_err)
if(misnamed_status EQUAL 0 OR NOT misnamed_err MATCHES "libConsumerTests[.]so" OR NOT misnamed_err MATCHES "KxRt")
  message(FATAL_ERROR "a misnamed test library was not refused at configure time (${misnamed_status}):\n${misnamed_err}")
endif()
run_step("build consumer" ${CMAKE_COMMAND} --build "${consumer_build}")

# The package must come from the prefix, not from the build tree.
file(STRINGS "${consumer_build}/CMakeCache.txt" package_dir REGEX "^KxRt_DIR:")
if(NOT package_dir MATCHES "=${prefix}/")
  message(FATAL_ERROR "KxRt was not found in the installed prefix: ${package_dir}")
endif()

run_step("run consumer" ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH "${consumer_build}/consumer")
message(STATUS "consumer said:\n${step_output}")
if(NOT step_output MATCHES "KxRt ${EXPECTED_VERSION} build ")
  message(FATAL_ERROR "consumer did not print version ${EXPECTED_VERSION}")
endif()
if(NOT step_output MATCHES "Rt library: ${prefix}/")
  message(FATAL_ERROR "consumer did not load the installed framework library")
endif()

# The suite that the consumer added with kxrt_add_suite: one CTest test per
# script, the passing one passes, the failing one fails, each leaves its
# report and JUnit file in a directory of its own.
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${consumer_build}" -j2
  RESULT_VARIABLE ctest_status OUTPUT_VARIABLE ctest_out ERROR_VARIABLE ctest_err)
message(STATUS "ctest said:\n${ctest_out}")
if(ctest_status EQUAL 0 OR NOT ctest_out MATCHES "consumer\\.pass\\.rt [.]+ +Passed"
   OR NOT ctest_out MATCHES "consumer\\.fail\\.rt [.]+\\*\\*\\*Failed")
  message(FATAL_ERROR "the consumer's suite did not pass and fail as its scripts say:\n${ctest_out}\n${ctest_err}")
endif()
if(NOT ctest_out MATCHES "sharded\\.shard-0 [.]+ +Passed" OR NOT ctest_out MATCHES "sharded\\.shard-1 [.]+ +Passed"
   OR NOT ctest_out MATCHES "sharded\\.merge [.]+\\*\\*\\*Failed")
  message(FATAL_ERROR "the sharded suite did not run as two shards and a failing merge:\n${ctest_out}\n${ctest_err}")
endif()
file(GLOB merged "${consumer_build}/kxrt/sharded/merged/*.xml")
list(FILTER merged EXCLUDE REGEX "junit\\.xml$")
file(STRINGS "${merged}" merged_tests REGEX "<Test id=")
list(LENGTH merged_tests merged_count)
if(NOT merged_count EQUAL 2 OR NOT EXISTS "${consumer_build}/kxrt/sharded/merged/junit.xml")
  message(FATAL_ERROR "the merged report holds ${merged_count} tests instead of 2, or no JUnit file: ${merged}")
endif()
# A suite at two jobs: the same verdicts, and CTest knows each test takes two processors.
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir "${consumer_build}" -R "^parallel" --show-only=json-v1
  OUTPUT_VARIABLE parallel_json)
string(REGEX MATCHALL "\"name\" : \"PROCESSORS\",[ \n\t]*\"value\" : 2" processors "${parallel_json}")
list(LENGTH processors processors_count)
if(NOT ctest_out MATCHES "parallel\\.pass\\.rt [.]+ +Passed" OR NOT ctest_out MATCHES "parallel\\.fail\\.rt [.]+\\*\\*\\*Failed"
   OR NOT processors_count EQUAL 2)
  message(FATAL_ERROR "the suite at two jobs did not pass and fail as its scripts say, or its tests do not take two processors:\n${ctest_out}\n${parallel_json}")
endif()
file(GLOB single "${consumer_build}/kxrt/single/merged/*.xml")
list(FILTER single EXCLUDE REGEX "junit\\.xml$")
set(single_count 0)
if(single)
  file(STRINGS "${single}" single_tests REGEX "<Test id=")
  list(LENGTH single_tests single_count)
endif()
if(NOT ctest_out MATCHES "single\\.shard-0 [.]+ +Passed" OR NOT single_count EQUAL 2)
  message(FATAL_ERROR "the suite of one shard did not merge into a report of 2 tests: ${single}\n${ctest_out}")
endif()
foreach(script pass_rt fail_rt)
  file(GLOB reports "${consumer_build}/kxrt/consumer/${script}/*.xml")
  list(FILTER reports EXCLUDE REGEX "junit\\.xml$")
  list(LENGTH reports count)
  if(NOT count EQUAL 1 OR NOT EXISTS "${consumer_build}/kxrt/consumer/${script}/junit.xml")
    message(FATAL_ERROR "${script}: expected one report and a JUnit file, found: ${reports}")
  endif()
endforeach()
