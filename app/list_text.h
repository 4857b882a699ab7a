// The text of a large box (编辑框_原, 编辑框_后) and the editing a user does in
// it, without any toolkit: the boxes of both windows hold the system's bytes
// as they are plus where each line starts, and draw only the lines in view.
#pragma once

#include "runtime/codepage.h"
#include "runtime/text.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow {

// Lines end at CR LF; a lone CR or LF, or bytes that form no character, stay
// inside their line and come back as they went in. The bytes are shared with
// copies and lent to readers (share); an edit of shared bytes copies them first.
class ListText {
public:
    ListText() = default;
    explicit ListText(Text t);
    // A copy with room to grow, so that the first keystroke does not move the
    // whole text to a larger place.
    static ListText copy_of(std::string_view bytes);

    const std::string& bytes() const { return bytes_ ? bytes_->str() : no_bytes(); }
    Text text() const { return bytes_ ? *bytes_ : Text(); }
    // The bytes for a reader, on any thread, without a copy.
    std::shared_ptr<const Text> share() const;
    // The bytes handed over (copied only while shared), leaving no text.
    Text take();
    std::size_t size() const { return bytes().size(); }
    int line_count() const { return static_cast<int>(starts_.size()); }
    std::size_t line_start(int line) const { return starts_[static_cast<std::size_t>(line)]; }
    // Where the line's CR LF begins, or the end of the text.
    std::size_t line_end(int line) const;
    std::string_view line(int line) const;
    int line_of(std::size_t pos) const;
    // The boundary after or before pos: one character, one byte that forms
    // none, or a whole CR LF.
    std::size_t next(std::size_t pos) const;
    std::size_t prev(std::size_t pos) const;
    // Bytes in the longest line; after edits that shortened lines it may be
    // more than the truth, never less.
    std::size_t longest_line() const;

    void replace(std::size_t from, std::size_t to, std::string_view bytes);
    void append(std::string_view bytes) { replace(size(), size(), bytes); }

private:
    static const std::string& no_bytes();
    std::string& edit_bytes(); // copied first while a reader holds them
    std::shared_ptr<Text> bytes_;
    std::vector<std::uint32_t> starts_{0};
    mutable std::size_t longest_ = unknown;
    static constexpr std::size_t unknown = ~std::size_t{0};
};

// One thing the box draws for a line: a character of the code page, a tab, or
// a marker (U+FFFD) for bytes that are kept but are no character to show: a
// lone CR or LF, another control character (C1 ones too, which only a
// four-byte code reaches), bytes that form no character.
struct Glyph {
    std::size_t pos;
    int length;
    char32_t c;
    bool marker;
};

template <typename F>
void for_each_glyph(std::string_view line, std::size_t base, F&& f)
{
    for (std::size_t i = 0; i < line.size();) {
        const Cp936Char ch = cp936_char_at(line.substr(i));
        const bool marker = !ch.exact || (ch.c < 0x20 && ch.c != '\t') || (ch.c >= 0x7F && ch.c < 0xA0);
        if (!f(Glyph{base + i, ch.length, marker ? char32_t{0xFFFD} : ch.c, marker}))
            return;
        i += static_cast<std::size_t>(ch.length);
    }
}

enum class Move { left, right, word_left, word_right, up, down, line_start, line_end, page_up, page_down, text_start, text_end };

// Caret, selection, typing and undo over a ListText. Positions are byte
// offsets on character boundaries; x is in pixels from the line's start,
// measured with the box's own widths of characters.
class ListEditor {
public:
    explicit ListEditor(std::function<int(char32_t)> advance) : advance_(std::move(advance)) {}

    const ListText& text() const { return text_; }
    // A new text from the program: caret at the start; typing's history goes.
    void set_text(ListText t);
    // Text the program adds at the end; a lone CR left there and a leading LF
    // make one line break. The caret goes to the end; typing's history goes.
    void append(std::string_view bytes);

    // An operation is about to write: its first program write keeps the text
    // before it (moved, not copied) as the box's one operation step, replacing
    // an older one; later writes of the same operation add to that step. The
    // note is what undoing it tells the user.
    void begin_operation(Text note = {});
    bool can_undo_operation() const { return before_.has_value(); }
    std::size_t operation_step_bytes() const { return before_ ? before_->size() : 0; }
    // The text for a caller that writes the box's whole new text next
    // (set_text): an operation's first write moves it into the step, the box
    // holds none in between, and the caller gets the one copy to change.
    Text take_text();
    // A paste in place of the whole text, taken without a copy: as set_text
    // of nothing followed by insert, one undo step.
    bool insert_whole(Text t);
    const Text& operation_note() const { return note_; }
    // Puts the text back as it was before the operation; typing since the
    // operation has already dropped the step.
    bool undo_operation();
    // An operation that failed midway: what it wrote goes, the text is back as
    // before it; a box it had not written yet is left as it is.
    bool abandon_operation();

    std::size_t caret() const { return caret_; }
    std::size_t anchor() const { return anchor_; }
    std::pair<std::size_t, std::size_t> selection() const;
    bool has_selection() const { return caret_ != anchor_; }
    std::string_view selected() const;
    void select(std::size_t anchor, std::size_t caret);
    void select_all() { select(0, text_.size()); }
    // The word at pos: the characters around it up to a blank or the line's
    // ends; on a blank, the blanks around it (a double click).
    void select_word(std::size_t pos);
    void move(Move m, bool extend, int page_lines = 1);
    // Places the caret at the character boundary nearest x on the line.
    void click(int line, int x, bool extend);

    // Edits replace the selection; each returns whether the text changed.
    // Typed characters run together into one undo step.
    bool type(std::string_view bytes);
    bool insert(std::string_view bytes); // a paste or drop: a step of its own
    bool erase_back();
    bool erase_forward();
    // Erases the selection, or from the caret to where the move would take it
    // (Ctrl+Backspace, Ctrl+Delete: Move::word_left, Move::word_right).
    bool erase_to(Move m);
    // Undoes typing, or else the last operation (Ctrl+Z right after it).
    bool undo();
    bool redo();
    bool can_undo() const { return !undo_.empty() || can_undo_operation(); }
    bool can_undo_typing() const { return !undo_.empty(); }
    bool can_redo() const { return !redo_.empty(); }

    int x_of(std::size_t pos) const;
    std::size_t pos_at(int line, int x) const;
    // The width of a glyph that starts at x (a tab reaches the next stop).
    int width(const Glyph& g, int x) const;

private:
    struct Step {
        std::size_t pos;
        std::string removed;
        // What an undone step had inserted, kept for its redo; while the step
        // can be undone the text itself holds it, so a paste is not kept twice.
        std::string inserted;
        std::size_t inserted_size;
        std::size_t caret_before, anchor_before;
        bool typing;
    };
    bool edit(std::string_view bytes, bool typing);
    bool erase(std::size_t from, std::size_t to);
    void drop_history();
    void program_write(bool replaces);

    ListText text_;
    std::size_t caret_ = 0, anchor_ = 0;
    int goal_x_ = -1; // kept across up and down moves
    std::deque<Step> undo_, redo_;
    std::optional<ListText> before_; // the text before the last operation
    Text note_, pending_note_;
    bool armed_ = false; // the next program write begins an operation's step
    std::function<int(char32_t)> advance_;
};

} // namespace fenrow
