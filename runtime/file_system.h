// The system half of files.cpp, one of files_posix.cpp and files_windows.cpp:
// raw file access by path, the running program, the current directory. Paths
// are system text, converted to the file system's form at the system call.
// An error is the system's own number (errno, or the Windows error code); 0
// is success.
#pragma once

#include "runtime/text.h"

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fenrow::file_system {

// Reads the whole file into out (emptied first), with room for room_per_byte
// times its size, so that a caller growing the text in place never moves it.
int read_file(const Text& path, std::string& out, std::size_t room_per_byte = 1);

// Reads the file a block of at most `block` bytes at a time, each handed to
// f in order, until its end or until f returns false.
int read_file_blocks(const Text& path, std::size_t block, const std::function<bool(std::string_view)>& f);

// The error says the file is not there (nor, perhaps, its directory).
bool is_missing(int err);

// When the new file reaches the disk: before it replaces the target (a save:
// after a power cut the user has the old file or the new one, never an empty
// one), or when the caller flushes a batch of them with flush_written.
enum class Flush { before_rename, by_caller };

// Writes the parts, in order, to a new file beside the target and renames it
// over the target; on failure the target is untouched and no temporary file
// is left behind. A directory of the target's name is an error. The file is
// invisible in the folder while incomplete (unnamed, or hidden), and named
// after this process, so that the first write into a folder removes what a
// killed writer left there. On Windows a target or temporary file held by
// another program is waited for briefly (busy_wait) before failing.
int replace_file(const Text& path, std::span<const std::string_view> parts, Flush flush);
// The same with the parts made while the file is written: produce is given a
// function that writes one part and returns 0 or the error, and returns 0 to
// keep the file, or an error (its own, or one the parts gave) that abandons it
// and that replace_file returns.
using WritePart = std::function<int(std::string_view)>;
int replace_file(const Text& path, const std::function<int(const WritePart&)>& produce, Flush flush);

// Makes files written with Flush::by_caller reach the disk, with what they
// replaced: one pass after the last of many files is far cheaper than one
// flush per file.
int flush_written(std::span<const Text> paths);

// How long a write waits for another program to let go of a file; tests shorten it.
void set_busy_wait(std::chrono::milliseconds budget);

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

// The folder for this user's settings of the program: $XDG_CONFIG_HOME/fenrow
// (~/.config/fenrow when that is unset, empty or not absolute) on Linux,
// %APPDATA%\Fenrow on Windows; nullopt when the system does not tell.
std::optional<Text> settings_dir();

// The folders the system installs programs into (/usr, /bin, /sbin on Linux;
// Program Files on Windows): no place for a program's output, even where it
// could write there (run as root or an administrator).
std::vector<Text> program_folders();

// path is root or lies inside it, compared as the file system compares names.
bool is_inside(const Text& path, const Text& root);

bool make_directories(const Text& dir);

// Implemented by files.cpp for both halves: six letters and digits for the
// name of a temporary file, different on every call.
std::string random_suffix();

std::chrono::milliseconds busy_wait();

// A temporary file's name: "." + the target's name (cut to leave room) +
// ".tmp" + the writer's process id + "-" + random_suffix().
std::string temp_name_tail(unsigned long pid);
// The process id in a name of that form; nullopt for any other name.
std::optional<unsigned long> temp_name_writer(std::string_view name);
// True once per folder (its system name) and process: the first write into a
// folder looks for leftovers there, generate's thousands of later ones do not.
bool first_write_into(const std::string& dir);

} // namespace fenrow::file_system
