# The project's version, stated once for the three CMake projects (the main one, fuzz/ and
# tests/windows/), each of which includes this file before its project() call. The plug-in's
# texts are built from it (src/plugin/version.h.in).
set(SF_VERSION 0.9.1)
