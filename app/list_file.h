// A large box's text from a file and back, without any toolkit: what "打开文本…",
// a file dropped on a box and "另存为…" do in every window.
#pragma once

#include "runtime/file_encoding.h"
#include "runtime/text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fenrow {

// Larger files are refused: the box would hold them two and a half times over.
inline constexpr std::uintmax_t list_file_limit = std::uintmax_t{1} << 30;

// The system's text of a file's bytes, in the encoding detect_encoding finds
// (or the one given): every line ends in CR LF (lone LF and CR too). Zero
// bytes outside UTF-16 make it no text: nullopt. A long one reports its
// progress and stops where the user asks (a checkpoint every megabyte).
std::optional<Text> decode_list(std::string&& bytes, FileEncoding* found = nullptr,
                                std::optional<FileEncoding> as = std::nullopt);
std::optional<Text> decode_list(std::string_view bytes, FileEncoding* found = nullptr,
                                std::optional<FileEncoding> as = std::nullopt);

// The file's text, or nullopt with the reason in words for the user (a
// folder, too large, unreadable, not text); in the encoding found, or the one given.
std::optional<Text> read_list_file(const Text& path, Text* why, FileEncoding* found = nullptr,
                                   std::optional<FileEncoding> as = std::nullopt);

enum class SaveEncoding { gbk, utf8 };

std::string encode_list(const Text& t, SaveEncoding e);
// Written to a temporary file and renamed over the target: on failure the old
// file is as it was, and *why tells the user why. Written a megabyte at a
// time: stopped by the user, it leaves the old file as it was.
bool write_list_file(const Text& path, const Text& t, SaveEncoding e, Text* why);

// What the boxes' menu items and drops do: the same, with the user told in a
// message box why a file could not be opened or saved.
std::optional<Text> open_list_file(const Text& path, FileEncoding* found = nullptr,
                                   std::optional<FileEncoding> as = std::nullopt);
bool save_list_file(const Text& path, const Text& t, SaveEncoding e);

} // namespace fenrow
