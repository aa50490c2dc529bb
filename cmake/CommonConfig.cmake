# One interface target carries the language standard and the warning set;
# every target of the project links it.
add_library(vyk_common INTERFACE)
target_compile_features(vyk_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
if(MSVC)
  # Sources are UTF-8; warnings as GCC's -Wall -Wextra give them.
  target_compile_options(vyk_common INTERFACE /W4 /utf-8 /permissive- /Zc:__cplusplus)
else()
  target_compile_options(vyk_common INTERFACE -Wall -Wextra)
endif()
target_compile_definitions(vyk_common INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

find_package(Threads REQUIRED)

# Parsing the Qt and googletest headers is a large part of a UI or test source's compile:
# those targets precompile them.
option(VYK_PCH "Precompile the Qt and googletest headers" ON)
# ccache keeps the results of a compile that uses a precompiled header only with these.
if(VYK_PCH AND CMAKE_HOST_UNIX AND CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache$")
  set(CMAKE_CXX_COMPILER_LAUNCHER env
      CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
      ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

# Flags for the test programs' own sources, after the build type's: the sanitizer builds
# give -O0, which nearly halves their instrumented compile; the code under test keeps the
# build type's.
set(VYK_TEST_FLAGS "" CACHE STRING "Extra compiler flags for the test programs' own sources")

# Sanitizer builds: -DVYK_SANITIZE=address,undefined or thread
set(VYK_SANITIZE "" CACHE STRING "Sanitizers to build with (address,undefined | thread)")
if(VYK_FUZZ)
  # Every library is instrumented for coverage and checked; the fuzz targets
  # add the libFuzzer driver (-fsanitize=fuzzer) themselves. Undefined
  # behaviour aborts, so the fuzzer sees it as a crash.
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VYK_FUZZ needs clang++ (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  if(VYK_SANITIZE)
    message(FATAL_ERROR "VYK_FUZZ brings its own sanitizers; leave VYK_SANITIZE empty")
  endif()
  set(VYK_FUZZ_SANITIZERS address,undefined)
  target_compile_options(vyk_common INTERFACE -fsanitize=fuzzer-no-link,${VYK_FUZZ_SANITIZERS}
    -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(vyk_common INTERFACE -fsanitize=${VYK_FUZZ_SANITIZERS})
elseif(VYK_SANITIZE)
  # Every report is fatal, so a test that provokes one fails.
  target_compile_options(vyk_common INTERFACE -fsanitize=${VYK_SANITIZE} -fno-sanitize-recover=all
                                              -fno-omit-frame-pointer)
  target_link_options(vyk_common INTERFACE -fsanitize=${VYK_SANITIZE})
endif()

# Windows programs carry the compiler's runtime, so they start from any folder
# (and under Wine) without its DLLs beside them.
if(MINGW)
  target_link_options(vyk_common INTERFACE -static)
endif()
