// Marks the library's exported API; everything else stays hidden.
#pragma once

#if defined(_WIN32)
#  if defined(KESTRUNE_BUILDING)
#    define KESTRUNE_API __declspec(dllexport)
#  else
#    define KESTRUNE_API __declspec(dllimport)
#  endif
#else
#  define KESTRUNE_API __attribute__((visibility("default")))
#endif
