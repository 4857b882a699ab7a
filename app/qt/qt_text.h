// Text at the toolkit's edge: system text to and from the toolkit's strings.
#pragma once

#include "ops/control_names.h"
#include "runtime/text.h"

#include <QString>

namespace fenrow {

// UTF-8 of our sources (captions, control names) as the toolkit's string.
inline QString qs(const char* utf8) { return QString::fromUtf8(utf8 ? utf8 : ""); }
inline QString qs(ControlName n) { return QString::fromUtf8(n.utf8.data(), static_cast<qsizetype>(n.utf8.size())); }

// The exact form of the boxes: every byte comes back (box_text.h).
QString to_box(const Text& t);
Text from_box(const QString& s);
// Text pasted into a large box: CR LF, CR, LF, the paragraph separator and
// the frame markers each end a line; zero characters drop out.
Text from_pasted(const QString& s);
// Plain Unicode, for what is only shown: captions of panes, messages.
QString to_qt(const Text& t);

// The text with every CR LF made a single LF, in one pass: the toolkit's own
// replace moves the rest of the text again for every few thousand matches.
QString crlf_to_lf(const QString& s);

} // namespace fenrow
