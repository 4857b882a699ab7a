// Program directory, settings files and plain file writes. Paths are system
// text; they are turned into the file system's form (UTF-8 on Linux, UTF-16 on
// Windows) only at the system call.
#pragma once

#include "runtime/text.h"

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>

namespace fenrow {

// The path separator of generated paths: '/' on Linux, '\\' on Windows.
extern const char path_separator;

// The directory part of a path: everything before its last separator (two-byte
// characters stepped over whole); the empty text when there is none.
Text dir_of(const Text& path);

// The directory of the running program file, without a trailing separator.
// Fixed on first use; init_program_dir() also makes it the current directory.
const Text& program_dir();
bool init_program_dir();
// program_dir() gives dir from now on (tests, the command line's --out-dir);
// nullopt restores the real one.
void override_program_dir(std::optional<Text> dir);

// Where generated files go: the program's directory when files can be made
// there (a build, a copy the user unpacked) and it is not a temporary folder
// (a program started from inside a zip runs from one) nor one the system
// installs programs into, else the fallback
// folder the window names at start, made when first needed. No fallback: the
// program's directory always. No trailing separator.
Text output_dir();
void set_fallback_output_dir(Text dir);
// The same rule for any three folders; temporary may be any folder whose
// programs write elsewhere.
Text output_dir_for(const Text& program, const Text& temporary, const Text& fallback);
// The window's fallback: a Fenrow folder in the user's documents folder; the
// empty text when the system names no documents folder.
Text documents_output_dir();
// The window's settings file: fenrow.ini beside the program when one is there
// (a portable copy keeps its settings with it), else in the user's settings
// folder (file_system::settings_dir), or beside the program when the system
// names no such folder.
Text settings_file();
// The same rule for any two folders; an empty user_dir: none.
Text settings_file_for(const Text& program, const Text& user_dir);
// dir is the system's temporary folder or lies inside it.
bool is_temporary_dir(const Text& dir);

// The path as the standard library's file functions take it.
std::filesystem::path to_fs_path(const Text& path);

// Settings files: sections of key=value entries, lines ending CR LF.
inline constexpr int ini_buffer_size = 10240;
Text ini_read(const Text& file, const Text& section, const Text& key,
              const std::optional<Text>& default_text = std::nullopt);
bool ini_write(const Text& file, const Text& section, const std::optional<Text>& key,
               const std::optional<Text>& value);
// The form under which section and key names are compared: blanks at both ends
// dropped, letters of every alphabet folded to one case. Two names match when
// their keys are equal.
std::u32string ini_name_key(const Text& name);
// The same key as bytes appended to out: each code point in 7-bit groups, high
// bit set on all but the last, so ASCII stays one byte and equal keys give
// equal bytes.
void append_name_key(std::string& out, std::string_view name);

bool file_delete(const Text& path);
// Creates or replaces the file with the bytes of all parts, in order. The bytes
// go to a temporary file in the same directory first, renamed over the target,
// so a crash never leaves a half-written file. On failure, *why (when given)
// tells the reason in words for the user. FileFlush::now makes the file reach
// the disk before it replaces the target (a save); FileFlush::later leaves that
// to files_flush over a batch (generate's many files).
enum class FileFlush { now, later };
bool file_write(const Text& path, std::initializer_list<ByteArray> parts, Text* why = nullptr,
                FileFlush flush = FileFlush::now);
bool files_flush(std::span<const Text> paths, Text* why = nullptr);

} // namespace fenrow
