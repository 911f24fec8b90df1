# rt_install_headers(<folder> <header>...): headers keep their folder below
# include/Rt, where the umbrella header finds them.
function(rt_install_headers folder)
  install(FILES ${ARGN} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/Rt/${folder})
endfunction()
