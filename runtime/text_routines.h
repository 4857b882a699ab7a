// Text routines shared by the account operations and the HTTP client.
#pragma once

#include "runtime/text.h"

#include <optional>

namespace fenrow {

// The text between the first head at or behind start (1-based; absent or 0:
// the beginning) and the first tail behind that head. In both markers "#引号"
// stands for a double quote. Empty when either is missing; an empty head
// starts at the beginning, an empty tail runs to the end. ASCII letters match
// either case unless case_sensitive.
Text text_between(const Text& text, const Text& head, const Text& tail, std::optional<int> start = std::nullopt,
                  std::optional<bool> case_sensitive = std::nullopt);

// 1-based index of the first element equal to t (exact bytes), or -1.
int index_of(const TextArray& a, const Text& t);

// The items of t cut at sep, each kept at its first occurrence only (exact
// bytes), joined by sep again without one behind the last.
Text remove_duplicate_items(const Text& t, const Text& sep);

} // namespace fenrow
