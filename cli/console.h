// The command line's system half, one of console_posix.cpp and
// console_windows.cpp: arguments as system text, standard streams as raw
// bytes, and the form in which the terminal shows text.
#pragma once

#include "runtime/text.h"

#include <string>
#include <vector>

namespace fenrow::console {

// The program's arguments after its own name, as system text.
std::vector<Text> arguments(int argc, char** argv);

// Standard input and output carry bytes as they are (no CR LF translation).
void use_binary_streams();

// Text as the terminal shows it: UTF-8 on Linux, code page 936 on Windows.
std::string for_terminal(const Text& t);

} // namespace fenrow::console
