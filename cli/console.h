// The command line's system half, one of console_posix.cpp and
// console_windows.cpp: arguments as system text, standard streams as raw
// bytes, and the form in which the terminal shows text.
#pragma once

#include "runtime/text.h"

#include <string>
#include <string_view>
#include <vector>

namespace fenrow::console {

// The program's arguments after its own name, as system text.
std::vector<Text> arguments(int argc, char** argv);

// Standard input and output carry bytes as they are (no CR LF translation).
void use_binary_streams();

// How bytes for a standard stream are encoded.
enum class Encoding { cp936, utf8 };

// Text as the terminal shows it: on Linux in the locale's charset (GBK in a
// Chinese GB locale, else UTF-8), on Windows code page 936 (a console gets
// the characters themselves when written, see write_output).
std::string for_terminal(const Text& t);
Encoding terminal_encoding();

// Standard output and error. Bytes going to a file or a pipe stay as they
// are; a Windows console is given their characters, so that it shows them
// whatever its code page. False when not every byte could be written.
bool write_output(std::string_view bytes, Encoding e);
bool write_error(std::string_view bytes, Encoding e);

// The system's words for an error number (errno, or a Windows error code).
Text error_text(int err);

} // namespace fenrow::console
