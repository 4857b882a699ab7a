// Extract accounts: every line of a list becomes the text between the head
// marker and the tail marker on that line.
#pragma once

#include "ops/outcome.h"
#include "runtime/text.h"

namespace fenrow {

class WorkPool;

// The markers of the window's 分组框1, as it starts; "#引号" in a marker
// stands for a double quote on the lines.
struct ExtractOptions {
    Text head;
    Text tail = ",";
    friend bool operator==(const ExtractOptions&, const ExtractOptions&) = default;
};

struct Extraction : Outcome {
    Text list;
};

// Refused, with a message asking for them, unless both markers exactly as
// typed occur in the list; otherwise each line gives one line of the new
// list (empty when a marker is missing on it), each followed by CR LF. With a
// pool, a long list is done in chunks in parallel.
Extraction extract(const Text& list, const ExtractOptions& options, WorkPool* pool = nullptr);
// Whether extract takes the list rather than refusing it.
bool markers_present(const Text& list, const ExtractOptions& options);

} // namespace fenrow
