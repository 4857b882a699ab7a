// The filtering list tools' question as a system dialog: the text (an
// editable drop-down list of the texts given before) and how it is matched.
#pragma once

#include "app/table_window.h"

#include <windows.h>

#include <optional>

namespace fenrow {

// Nothing when the user cancels or gives no text.
std::optional<FilterOptions> ask_filter_dialog(HWND owner, const FilterQuestion& q);

} // namespace fenrow
