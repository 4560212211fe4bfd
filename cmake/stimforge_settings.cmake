# The build settings shared by the three CMake projects (the main one, fuzz/ and
# tests/windows/), included by each right after its project() call: the C++ standard, the
# default build type, the warnings (errors with -DSF_WERROR=ON) and the sanitizers
# (-DSF_SANITIZE=address,undefined).

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "Build type" FORCE)
endif()

option(SF_WERROR "Treat compiler warnings as errors" OFF)
set(SF_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined")

if(MSVC)
  add_compile_options(/W4 /utf-8)
  if(SF_WERROR)
    add_compile_options(/WX)
  endif()
else()
  add_compile_options(-Wall -Wextra)
  if(SF_WERROR)
    add_compile_options(-Werror)
  endif()
endif()

if(SF_SANITIZE)
  add_compile_options(-fsanitize=${SF_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${SF_SANITIZE})
endif()
