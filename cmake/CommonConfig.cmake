# One interface target carries the language standard and the warning set;
# every target of the project links it.
add_library(vyk_common INTERFACE)
target_compile_features(vyk_common INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(vyk_common INTERFACE -Wall -Wextra)
target_compile_definitions(vyk_common INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)

find_package(Threads REQUIRED)

# Sanitizer builds: -DVYK_SANITIZE=address,undefined or thread
set(VYK_SANITIZE "" CACHE STRING "Sanitizers to build with (address,undefined | thread)")
if(VYK_SANITIZE)
  # Every report is fatal, so a test that provokes one fails.
  target_compile_options(vyk_common INTERFACE -fsanitize=${VYK_SANITIZE} -fno-sanitize-recover=all
                                              -fno-omit-frame-pointer)
  target_link_options(vyk_common INTERFACE -fsanitize=${VYK_SANITIZE})
endif()
