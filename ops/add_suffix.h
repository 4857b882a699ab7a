// Add suffix (按钮_加后缀): marks the first account of every group of n, or the
// last account of every complete group, with a symbol and the group number.
#pragma once

#include "runtime/text.h"

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace fenrow {

class WorkPool;

enum class MarkMode { first, last, none };

// The options of the window's 分组框5, as it starts.
struct MarkOptions {
    int32_t group = 6; // n, accounts per group
    Text symbol = "*";
    MarkMode mode = MarkMode::first;
    friend bool operator==(const MarkOptions&, const MarkOptions&) = default;
};

// The group size and the symbol read afresh every `lines` accounts, the
// first time before the first account; without read they stay as given.
struct MarkRereads {
    std::function<void(MarkOptions&)> read;
    int lines = INT_MAX;
};

// The list's accounts (blank lines do not count), the marked ones followed by
// the symbol and the group number, each line ending in CR LF but the last.
// With a pool of four threads or more, a long list is marked in chunks in
// parallel, the options read once at the start.
Text mark_groups(const Text& list, MarkOptions options, const MarkRereads& rereads = {}, WorkPool* pool = nullptr);

// mark_groups over a list given in parts, for a list too long to hold its
// result whole: the cleaned list's account lines given one at a time, in
// order, each appended to out with its mark and a CR LF. Cleaned of blank
// lines, what out gathers is mark_groups' result.
class GroupMarks {
public:
    explicit GroupMarks(MarkOptions options) : o_(std::move(options)) {}
    void add(std::string_view account, std::string& out);
    // Lines that count as accounts: those with a byte other than a blank.
    static bool is_account(std::string_view line);

private:
    MarkOptions o_;
    double k_ = 1; // the next group number, first-account mode
    int i_ = 0;
};

// What 编辑框_后 shows while the window's worker marks the list.
Text add_suffix_notice();

} // namespace fenrow
