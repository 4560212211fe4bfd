# JSON for Modern C++ (Debian: nlohmann-json3-dev), header-only: kwhost writes and reads JSON
# (trigger reports, events sidecars) with it instead of a writer of its own. Included by every
# kwhost folder that needs it, in each of the three projects; gives the INTERFACE target
# kwhost_json, or SF_JSON_INCLUDE_DIR-NOTFOUND where the header is missing. The header is
# copied apart from the build machine's other headers, so that a cross build (MinGW) uses it
# without seeing the build machine's C library.
if(TARGET kwhost_json)
  return()
endif()
find_path(SF_JSON_INCLUDE_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH
          PATHS /usr/include /usr/local/include DOC "The folder that holds nlohmann/json.hpp")
if(NOT SF_JSON_INCLUDE_DIR)
  return()
endif()
file(COPY ${SF_JSON_INCLUDE_DIR}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/kwhost_json)
add_library(kwhost_json INTERFACE)
target_include_directories(kwhost_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/kwhost_json)
