# nifticlib, the NIfTI reference library, as the target sf_nifti (with HAVE_ZLIB, so that
# its readers see through gzip):
# - Linux: Debian's libnifti2-dev (nifti2_io.h under include/nifti, libnifti2 and libznz);
# - MinGW: a static library from the C files of Debian's source package, fetched by
#   `scripts/install-deps.sh windows` into .deps/nifticlib-src (SF_NIFTI_SOURCE_DIR), with
#   zlib from libz-mingw-w64-dev.
# Sets SF_NIFTI_FOUND, and SF_NIFTI_MISSING to what to install when it is not found.
# Include it once per CMake project; later includes do nothing.
if(TARGET sf_nifti)
  set(SF_NIFTI_FOUND TRUE)
  return()
endif()
set(SF_NIFTI_FOUND FALSE)
get_filename_component(_sf_nifti_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

if(MINGW)
  set(SF_NIFTI_SOURCE_DIR "${_sf_nifti_root}/.deps/nifticlib-src" CACHE PATH
      "nifticlib's unpacked Debian source package (scripts/install-deps.sh windows)")
  # zlib's static library, so that the programs need no zlib1.dll beside them.
  find_library(SF_MINGW_ZLIB NAMES libz.a)
  find_path(SF_MINGW_ZLIB_INCLUDE_DIR zlib.h)
  if(NOT EXISTS "${SF_NIFTI_SOURCE_DIR}/nifti2/nifti2_io.c" OR NOT SF_MINGW_ZLIB
     OR NOT SF_MINGW_ZLIB_INCLUDE_DIR)
    string(CONCAT SF_NIFTI_MISSING "nifticlib's source in ${SF_NIFTI_SOURCE_DIR} and MinGW's "
           "zlib (scripts/install-deps.sh windows runs apt-get source nifticlib and installs "
           "libz-mingw-w64-dev)")
    return()
  endif()
  enable_language(C)
  add_library(sf_nifti STATIC ${SF_NIFTI_SOURCE_DIR}/nifti2/nifti2_io.c
              ${SF_NIFTI_SOURCE_DIR}/znzlib/znzlib.c)
  target_include_directories(sf_nifti SYSTEM PUBLIC ${SF_NIFTI_SOURCE_DIR}/nifti2
                             ${SF_NIFTI_SOURCE_DIR}/znzlib ${SF_MINGW_ZLIB_INCLUDE_DIR})
  target_compile_definitions(sf_nifti PUBLIC HAVE_ZLIB)
  # Someone else's C: its own warnings are not ours to fix, nor errors under SF_WERROR.
  target_compile_options(sf_nifti PRIVATE -w)
  target_link_libraries(sf_nifti PUBLIC ${SF_MINGW_ZLIB})
else()
  find_path(SF_NIFTI_INCLUDE_DIR nifti2_io.h PATH_SUFFIXES nifti)
  find_library(SF_NIFTI2_LIBRARY nifti2)
  find_library(SF_ZNZ_LIBRARY znz)
  find_package(ZLIB)
  if(NOT SF_NIFTI_INCLUDE_DIR OR NOT SF_NIFTI2_LIBRARY OR NOT SF_ZNZ_LIBRARY OR NOT ZLIB_FOUND)
    string(CONCAT SF_NIFTI_MISSING "nifticlib (Debian: libnifti2-dev zlib1g-dev; "
           "scripts/install-deps.sh base)")
    return()
  endif()
  add_library(sf_nifti INTERFACE)
  target_include_directories(sf_nifti SYSTEM INTERFACE ${SF_NIFTI_INCLUDE_DIR})
  target_compile_definitions(sf_nifti INTERFACE HAVE_ZLIB)
  target_link_libraries(sf_nifti INTERFACE ${SF_NIFTI2_LIBRARY} ${SF_ZNZ_LIBRARY} ZLIB::ZLIB m)
endif()
set(SF_NIFTI_FOUND TRUE)
