# zlib, for the checksums by which kwhost knows the files it last wrote (crc32) and for
# gzipped images: the INTERFACE target kwhost_zlib. MinGW links zlib's static library
# (libz-mingw-w64-dev), so that the programs need no zlib1.dll beside them; elsewhere Debian's
# zlib1g-dev. Included by every project that builds kwhost/common.
if(TARGET kwhost_zlib)
  return()
endif()
add_library(kwhost_zlib INTERFACE)
if(MINGW)
  find_library(SF_MINGW_ZLIB NAMES libz.a)
  find_path(SF_MINGW_ZLIB_INCLUDE_DIR zlib.h)
  if(NOT SF_MINGW_ZLIB OR NOT SF_MINGW_ZLIB_INCLUDE_DIR)
    message(FATAL_ERROR "MinGW's zlib is missing (Debian: libz-mingw-w64-dev; "
            "scripts/install-deps.sh windows)")
  endif()
  target_include_directories(kwhost_zlib INTERFACE ${SF_MINGW_ZLIB_INCLUDE_DIR})
  target_link_libraries(kwhost_zlib INTERFACE ${SF_MINGW_ZLIB})
else()
  find_package(ZLIB REQUIRED)
  target_link_libraries(kwhost_zlib INTERFACE ZLIB::ZLIB)
endif()
