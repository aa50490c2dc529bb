#pragma once
// Tests of what only a POSIX system has (a mode that stops a reader, the
// execute bit, symbolic links anyone may make, a directory that opens like a
// file) skip themselves on Windows, saying why.
#include <gtest/gtest.h>

#ifdef _WIN32
#define VYK_SKIP_ON_WINDOWS(why) GTEST_SKIP() << "POSIX only: " << (why)
#else
#define VYK_SKIP_ON_WINDOWS(why) static_cast<void>(0)
#endif
