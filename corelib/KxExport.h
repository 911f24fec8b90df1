#pragma once
// KX_API marks what the core library exports. The library is built with
// hidden visibility, so anything not marked stays inside it.
#if defined(_WIN32)
#  ifdef KX_BUILDING_LIBRARY
#    define KX_API __declspec(dllexport)
#  else
#    define KX_API __declspec(dllimport)
#  endif
#else
#  define KX_API __attribute__((visibility("default")))
#endif

#include <cstdint>

using KxErrorCode = std::int32_t;
