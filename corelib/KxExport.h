#pragma once
// Symbol visibility of the core library (KX_API) and of the framework (RT_API).
// On ELF every symbol is visible by default; the macros matter for a DLL build.
#if defined(_WIN32)
#  ifdef KX_BUILDING_LIBRARY
#    define KX_API __declspec(dllexport)
#  else
#    define KX_API __declspec(dllimport)
#  endif
#  ifdef RT_BUILDING_LIBRARY
#    define RT_API __declspec(dllexport)
#  else
#    define RT_API __declspec(dllimport)
#  endif
#  define RT_INTERNAL
#else
#  define KX_API
#  define RT_API
#  define RT_INTERNAL __attribute__((visibility("hidden")))
#endif

#include <cstdint>

using KxErrorCode = std::int32_t;
