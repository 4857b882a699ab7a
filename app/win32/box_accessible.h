// A large box as screen readers and magnifiers see it on Windows (Active
// Accessibility): a text field named from the shared words, whose value is
// the caret's line and whose description is the selected text, each cut to
// accessible_text_bytes. Where it is, its parent and the rest are the
// system's standard answers for the box's window.
#pragma once

#include <windows.h>

namespace fenrow {

// The answer to WM_GETOBJECT for the box's client area (OBJID_CLIENT).
LRESULT answer_accessible_client(HWND box, WPARAM w);

} // namespace fenrow
