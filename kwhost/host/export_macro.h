// The export macro of the stand-in host's entry points: the plug-in finds them among the
// executable's exports, by name, as it finds the real host's.
#ifndef STIMFORGE_KWHOST_HOST_EXPORT_MACRO_H_
#define STIMFORGE_KWHOST_HOST_EXPORT_MACRO_H_

#if defined(_WIN32)
#define SF_HOST_EXPORT __declspec(dllexport)
#else
#define SF_HOST_EXPORT __attribute__((visibility("default")))
#endif

#endif  // STIMFORGE_KWHOST_HOST_EXPORT_MACRO_H_
