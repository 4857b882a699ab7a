// The system half of files.cpp, one of files_posix.cpp and files_windows.cpp:
// raw file access by path, the running program, the current directory. Paths
// are system text, converted to the file system's form at the system call.
// An error is the system's own number (errno, or the Windows error code); 0
// is success.
#pragma once

#include "runtime/text.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace fenrow::file_system {

// Reads the whole file into out (emptied first), with room for room_per_byte
// times its size, so that a caller growing the text in place never moves it.
int read_file(const Text& path, std::string& out, std::size_t room_per_byte = 1);

// The error says the file is not there (nor, perhaps, its directory).
bool is_missing(int err);

// Writes the parts, in order, to a new file beside the target and renames it
// over the target; on failure the target is untouched and no temporary file
// is left behind. A directory of the target's name is an error.
int replace_file(const Text& path, std::span<const std::string_view> parts);

bool delete_file(const Text& path);

// The error in words for the user.
Text failure_reason(int err);

// The running program file's full path; nullopt when the system does not tell.
std::optional<Text> running_program();

// dir as dir_of() gives it for a full path: the empty text, or a drive name
// alone, stands for that root directory.
bool change_directory(const Text& dir);

// The system's folder for temporary files; archive programs unpack a program
// started from inside a zip there. nullopt when the system does not tell.
std::optional<Text> temporary_dir();

// The user's documents folder; nullopt when the system does not tell.
std::optional<Text> documents_dir();

// path is root or lies inside it, compared as the file system compares names.
bool is_inside(const Text& path, const Text& root);

bool make_directories(const Text& dir);

// Implemented by files.cpp for both halves: six letters and digits for the
// name of a temporary file, different on every call.
std::string random_suffix();

} // namespace fenrow::file_system
