// The host version that kwhost reports to the plug-in (--host-version), apart from the
// session so that the command table can hold it without the host emulation.
#ifndef STIMFORGE_KWHOST_HOST_VERSION_H_
#define STIMFORGE_KWHOST_HOST_VERSION_H_

namespace stimforge::kwhost {

// kwGetVersionOfHaldenKW's answer; 2.9.9 unless --host-version says otherwise.
struct HostVersion {
  int major = 2;
  int minor = 9;
  int subVersion = 9;
};

}  // namespace stimforge::kwhost

#endif  // STIMFORGE_KWHOST_HOST_VERSION_H_
