// Split accounts: the next N account lines taken off the top of the list (the
// left box) and turned into the text of one file, each line optionally
// numbered ("1=a1") and the whole optionally under a top line ("[账号]").
#pragma once

#include "ops/outcome.h"
#include "runtime/codepage.h"
#include "runtime/text.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace fenrow {

// Where one account line lies in its text, as txt_split(text, CR LF) cuts it.
struct LineSpan {
    std::uint32_t begin = 0;
    std::uint32_t size = 0;
};
std::vector<LineSpan> account_line_spans(std::string_view text);

// The text without its n-th account line (none for an n outside the lines),
// the rest joined with CR LF and none after the last: so a trailing CR LF goes,
// and a remaining empty last line goes with it at the next split.
Text delete_line(const Text& text, int n);

// How blocks are built: the options of the window's 分组框3, as it starts.
struct BlockOptions {
    int32_t count = 6; // accounts per block, N
    bool numbered = true;
    Text separator = "=";
    bool with_top = true;
    Text top_text = "[账号]"_t;
    friend bool operator==(const BlockOptions&, const BlockOptions&) = default;
};

// The left box's account list while blocks are taken off its top: the box is
// read once, every take costs only its own lines, and the box's content after
// any number of takes is at hand. A copy is cheap and is a saved state.
class AccountList {
public:
    AccountList() : AccountList(Text()) {}
    explicit AccountList(Text content);
    // The box's text lent, not copied.
    explicit AccountList(std::shared_ptr<const Text> content);

    // Not done when the list holds fewer lines than N: nothing was taken,
    // and the text holds the top text alone or nothing.
    struct Block : Outcome {
        Text text;
    };
    // What take_account_block gives and does to the box, done on the list.
    Block take(const BlockOptions& options);

    // The lines the next take sees.
    int line_count() const;
    // What the box holds after the takes so far.
    Text content() const;
    // False until a take has removed anything from the box.
    bool changed() const { return !untouched_; }
    // The same list in the same state.
    friend bool operator==(const AccountList&, const AccountList&) = default;

private:
    std::uint32_t visible_end() const;
    void delete_first_line();

    std::shared_ptr<const Text> text_;
    std::shared_ptr<const std::vector<LineSpan>> lines_;
    // The box holds lines [first_, end_) joined with CR LF, or the text as
    // given while untouched_.
    std::uint32_t first_ = 0, end_ = 0;
    bool untouched_ = true;
};

// What a list shorter than one block says.
Message short_list_notice();

} // namespace fenrow
