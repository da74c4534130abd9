#ifndef CLIPREEL_EXPORT_H
#define CLIPREEL_EXPORT_H

// CLIPREEL_API marks the exported classes. The library is built with
// CLIPREEL_BUILDING defined; a consumer of the DLL imports.
#if defined(_WIN32)
#  if defined(CLIPREEL_BUILDING)
#    define CLIPREEL_API __declspec(dllexport)
#  else
#    define CLIPREEL_API __declspec(dllimport)
#  endif
#else
#  define CLIPREEL_API __attribute__((visibility("default")))
#endif

#endif
