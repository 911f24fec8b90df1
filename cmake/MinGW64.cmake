# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, whose libstdc++ has std::thread and std::mutex). The programs run
# under Wine, which CMake uses to run what it builds (tests, discovery).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RT_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RT_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${RT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
find_program(RT_WINE wine)
if(RT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/run-under-wine.sh ${RT_WINE})
endif()
# libxml2 and SQLite for Windows, where scripts/windows-deps.sh puts them.
if(DEFINED ENV{RT_WINDOWS_DEPS})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{RT_WINDOWS_DEPS})
else()
  list(APPEND CMAKE_FIND_ROOT_PATH /opt/rt-windows-deps)
endif()
