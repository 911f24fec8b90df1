# A Windows program finds the libraries it loads in its own directory: the
# MinGW-w64 run-time libraries, and the XML parser and SQLite that
# scripts/windows-deps.sh built, are copied beside rtrun.exe (and the tests),
# so that the build tree's rtrun.exe runs with no environment set.
set(RT_WINDOWS_DEPS "$ENV{RT_WINDOWS_DEPS}")
if(NOT RT_WINDOWS_DEPS)
  set(RT_WINDOWS_DEPS /opt/rt-windows-deps)
endif()
set(rt_runtime_files)
foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
    OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${file}" OR NOT EXISTS "${file}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no ${name}")
  endif()
  list(APPEND rt_runtime_files ${file})
endforeach()
foreach(name libxml2.dll sqlite3.dll)
  if(NOT EXISTS ${RT_WINDOWS_DEPS}/bin/${name})
    message(FATAL_ERROR "${RT_WINDOWS_DEPS}/bin/${name} is missing: run scripts/windows-deps.sh first")
  endif()
  list(APPEND rt_runtime_files ${RT_WINDOWS_DEPS}/bin/${name})
endforeach()
add_custom_target(rt_windows_runtime ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${rt_runtime_files} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
  VERBATIM)
add_dependencies(rtrun rt_windows_runtime)
install(FILES ${rt_runtime_files} DESTINATION ${CMAKE_INSTALL_BINDIR})
