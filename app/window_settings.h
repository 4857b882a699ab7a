// The option boxes of the Main window kept from one run to the next: every
// small edit box, check box, radio box and combo box of the control table,
// saved when the window closes and put back when it opens. The two large
// boxes are never kept: their lists hold passwords.
//
// The file is one section of key=value lines, a control's name as the key,
// CR LF line ends, in UTF-8 (see window_settings.cpp for why and for the
// value's form).
#pragma once

#include "app/table_window.h"

#include <string>
#include <string_view>

namespace fenrow {

// Where the window keeps its settings; the empty text: nowhere. The programs
// name the file at start (settings_file()); every other window, such as a
// test's, leaves the user's settings alone.
extern Text window_settings_file;

// Larger files are no settings file of ours; an edit box's value longer than
// settings_value_limit is not saved, and the box starts with its initial
// text, so that a saved file always stays below the file limit.
inline constexpr std::size_t settings_file_limit = 1 << 20;
inline constexpr std::size_t settings_value_limit = 32 << 10;

// Controls whose values are kept: small edit boxes, check and radio boxes, combo boxes.
bool kept_in_settings(const ControlSpec& row);

// The settings file's bytes for the window's present values.
std::string settings_text(TableWindow& w);
// Gives every kept control the file's value, or the table's initial one where
// the file has none or a damaged one. False when anything was damaged.
bool apply_settings(TableWindow& w, std::string_view file);

// What the hint pane says when the file was damaged, or could not be read.
Text damaged_settings_note(const Text& path);
Text unreadable_settings_note(const Text& path);

// After the window is built: the settings of window_settings_file. A missing
// file leaves the initial values without a word; an unreadable or damaged one
// puts them back where it is damaged and says so in the hint pane.
void restore_window_settings(TableWindow& w);
// When the window closes: the folder made if missing, the file replaced as a
// whole. False when it could not be written; closing goes on regardless.
bool save_window_settings(TableWindow& w);

} // namespace fenrow
