// How the exit of a fatal error (std::_Exit(-1)) reads to a death test: its
// low byte on POSIX, the whole code on Windows (set by the build).
#pragma once

#include <gtest/gtest.h>

inline ::testing::ExitedWithCode fatal_exit() { return ::testing::ExitedWithCode(FENROW_FATAL_EXIT_STATUS); }
