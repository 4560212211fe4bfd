// Finding the host's module and its entry points in the running process. One interface,
// with one implementation per platform chosen by the build (host_lookup_posix.cpp,
// host_lookup_win32.cpp), and fakes in the tests.
#ifndef STIMFORGE_HOST_HOST_LOOKUP_H_
#define STIMFORGE_HOST_HOST_LOOKUP_H_

namespace stimforge {

// An untyped function pointer: what a symbol lookup yields before it is given its type.
using HostSymbol = void (*)();

class HostLookup {
 public:
  virtual ~HostLookup() = default;

  // The module already loaded in this process whose file name (the last component of its
  // path) is exactly `fileName`; the main executable counts under its own file name.
  // Returns null when no such module is loaded. Never loads anything.
  virtual void* findModule(const char* fileName) = 0;

  // The exported function `name` of `module`, or null when the module does not export it.
  virtual HostSymbol findSymbol(void* module, const char* name) = 0;
};

// The lookup of the platform the plug-in was built for. Lives for the whole process.
HostLookup& platformHostLookup();

}  // namespace stimforge

#endif  // STIMFORGE_HOST_HOST_LOOKUP_H_
