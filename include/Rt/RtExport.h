#pragma once
// RT_API marks what the framework library exports: the classes, functions and
// objects of its public headers. The library is built with hidden visibility,
// so anything not marked stays inside it.
#if defined(_WIN32)
#  ifdef RT_BUILDING_LIBRARY
#    define RT_API __declspec(dllexport)
#  else
#    define RT_API __declspec(dllimport)
#  endif
#else
#  define RT_API __attribute__((visibility("default")))
#endif
