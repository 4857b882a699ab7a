// RegexObject: a regular-expression search over a text and its replacement,
// driven through the "VBScript.RegExp" automation component. Byte positions
// count in the searched text; match and group indexes count from 1. Code
// that needs no by-name surface calls the typed API of runtime/regex.h.
#pragma once

#include "runtime/automation.h"
#include "runtime/text.h"

#include <optional>

namespace fenrow {

class RegexObject {
public:
    // Prepares the calling thread for automation calls; the object is used
    // on that thread only.
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject&) = delete;
    RegexObject& operator=(const RegexObject&) = delete;

    // Absent options: case-insensitive, multiline, global; with quote_token
    // every "#引号" in the pattern stands for a double quote. True when the
    // engine accepted the pattern and searched the text.
    bool search(const Text& pattern, const Text& text, std::optional<bool> case_sensitive = std::nullopt,
                std::optional<bool> multiline = std::nullopt, std::optional<bool> global = std::nullopt,
                std::optional<bool> quote_token = std::nullopt);
    Text get_pattern() const;
    // The searched text with the matches replaced ($1 … $99, $&, $`, $', $$);
    // empty when no search succeeded or the engine fails.
    Text replace(const Text& replacement) const;
    int match_count() const;
    // The index-th match; position, when given, receives its 0-based byte
    // offset in the searched text (-1 for an index outside the matches).
    Text match_text(int index, int* position = nullptr) const;
    // A group of a match; empty for a group that took part in no match. The
    // position is that of the group's first occurrence at or behind the
    // match's start (-1 for an empty group).
    Text submatch_text(int match_index, int submatch_index, int* position = nullptr) const;
    // Groups in the pattern; 0 when nothing matched.
    int submatch_count() const;

private:
    int match_offset(const AutomationObject& match) const;

    AutomationObject engine_;
    AutomationObject matches_;
    Text searched_text_;
};

} // namespace fenrow
