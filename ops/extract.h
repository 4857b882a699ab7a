// Extract accounts: every line of the left box becomes the text between the
// head marker and the tail marker on that line.
#pragma once

#include "ops/controls.h"

namespace fenrow {

// The handler of 提取帐号. Both markers, exactly as typed, must occur in the
// source, or a message asks for them and the source stays; otherwise each
// line gives one result line (empty when a marker is missing on it), each
// followed by CR LF, and the result replaces the source.
void extract_accounts(Controls& ui);

} // namespace fenrow
