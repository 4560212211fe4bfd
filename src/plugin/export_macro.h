// The one export macro of the plug-in library. Only what carries SF_EXPORT is visible to
// the host; everything else is built hidden (and, on Linux, also held back by the linker's
// version script).
#ifndef STIMFORGE_PLUGIN_EXPORT_MACRO_H_
#define STIMFORGE_PLUGIN_EXPORT_MACRO_H_

#if defined(_WIN32)
#if defined(SF_BUILDING_PLUGIN)
#define SF_EXPORT __declspec(dllexport)
#else
#define SF_EXPORT __declspec(dllimport)
#endif
#else
#define SF_EXPORT __attribute__((visibility("default")))
#endif

#endif  // STIMFORGE_PLUGIN_EXPORT_MACRO_H_
