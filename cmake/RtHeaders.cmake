# Public headers are included as <Rt/folder/File.h>, in the build tree as
# after install. rt_public_headers(<folder> <header>...) installs the headers
# into include/Rt/<folder> ("." for include/Rt itself) and writes, for each,
# a one-line header under RT_PUBLIC_INCLUDE_DIR that includes the source
# file: the source stays the only copy, and in-tree users see exactly the
# installed set, no internal header beside it.
set(RT_PUBLIC_INCLUDE_DIR ${PROJECT_BINARY_DIR}/include)

function(rt_public_headers folder)
  set(below Rt/${folder})
  if(folder STREQUAL ".")
    set(below Rt)
  endif()
  foreach(header IN LISTS ARGN)
    get_filename_component(source ${header} ABSOLUTE)
    get_filename_component(name ${header} NAME)
    set(forwarder ${RT_PUBLIC_INCLUDE_DIR}/${below}/${name})
    file(CONFIGURE OUTPUT ${forwarder} CONTENT "#pragma once\n#include \"${source}\"\n")
    set_property(GLOBAL APPEND PROPERTY RT_PUBLIC_FORWARDERS ${forwarder})
  endforeach()
  install(FILES ${ARGN} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${below})
endfunction()

# Removes forwarding headers of headers that are no longer public, so that an
# existing build tree does not keep resolving them.
function(rt_drop_stale_forwarders)
  get_property(current GLOBAL PROPERTY RT_PUBLIC_FORWARDERS)
  file(GLOB_RECURSE present ${RT_PUBLIC_INCLUDE_DIR}/Rt/*)
  foreach(file IN LISTS present)
    if(NOT file IN_LIST current)
      file(REMOVE ${file})
    endif()
  endforeach()
endfunction()
