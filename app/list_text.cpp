#include "app/list_text.h"

#include "runtime/byte_scan.h"

#include <algorithm>

namespace fenrow {

namespace {

constexpr std::size_t undo_limit = 1000;

bool blank(char b) { return b == ' ' || b == '\t'; }

} // namespace

ListText::ListText(Text t) : bytes_(std::make_shared<Text>(std::move(t)))
{
    const std::string& b = bytes();
    starts_.reserve(b.size() / 16 + 1);
    for_each_byte(b, '\n', [&](std::size_t lf) {
        if (lf > 0 && b[lf - 1] == '\r')
            starts_.push_back(static_cast<std::uint32_t>(lf + 1));
        return true;
    });
}

ListText ListText::copy_of(std::string_view bytes)
{
    std::string s;
    s.reserve(bytes.size() + bytes.size() / 256 + 64 * 1024);
    s.append(bytes);
    return ListText(Text(std::move(s)));
}

const std::string& ListText::no_bytes()
{
    static const std::string none;
    return none;
}

std::shared_ptr<const Text> ListText::share() const { return bytes_ ? bytes_ : std::make_shared<const Text>(); }

Text ListText::take()
{
    Text t;
    if (bytes_ && bytes_.use_count() == 1)
        t = std::move(*bytes_);
    else if (bytes_)
        t = *bytes_;
    *this = ListText();
    return t;
}

std::string& ListText::edit_bytes()
{
    if (!bytes_)
        bytes_ = std::make_shared<Text>();
    else if (bytes_.use_count() > 1) // a reader still holds these bytes
        bytes_ = std::make_shared<Text>(*bytes_);
    std::string* s = nullptr;
    bytes_->edit([&s](std::string& b) { s = &b; });
    return *s;
}

std::size_t ListText::line_end(int line) const
{
    return line + 1 < line_count() ? line_start(line + 1) - 2 : size();
}

std::string_view ListText::line(int line) const
{
    const std::size_t start = line_start(line);
    return std::string_view(bytes()).substr(start, line_end(line) - start);
}

int ListText::line_of(std::size_t pos) const
{
    return static_cast<int>(std::upper_bound(starts_.begin(), starts_.end(), pos) - starts_.begin()) - 1;
}

std::size_t ListText::next(std::size_t pos) const
{
    const std::string& b = bytes();
    if (pos >= b.size())
        return b.size();
    if (b[pos] == '\r' && pos + 1 < b.size() && b[pos + 1] == '\n')
        return pos + 2;
    return pos + static_cast<std::size_t>(cp936_char_at(std::string_view(b).substr(pos)).length);
}

std::size_t ListText::prev(std::size_t pos) const
{
    if (pos == 0)
        return 0;
    const std::string& b = bytes();
    if (pos >= 2 && b[pos - 2] == '\r' && b[pos - 1] == '\n')
        return pos - 2;
    // A byte below 0x30 is never inside a character, so a character starts
    // there; step forward from the nearest one.
    std::size_t q = pos - 1;
    while (q > 0 && static_cast<unsigned char>(b[q]) >= 0x30)
        --q;
    for (std::size_t n; (n = next(q)) < pos;)
        q = n;
    return q;
}

std::size_t ListText::longest_line() const
{
    if (longest_ == unknown) {
        longest_ = 0;
        for (int i = 0; i < line_count(); ++i)
            longest_ = std::max(longest_, line_end(i) - line_start(i));
    }
    return longest_;
}

void ListText::replace(std::size_t from, std::size_t to, std::string_view bytes)
{
    to = std::min(to, size());
    from = std::min(from, to);
    // The lines from the one before the edit up to the first whose CR LF lies
    // wholly after it are indexed anew: an edit may join or part a CR and an LF.
    const int first = std::max(line_of(from) - 1, 0);
    const auto kept = std::lower_bound(starts_.begin() + first + 1, starts_.end(), to + 2);
    const std::size_t kept_index = static_cast<std::size_t>(kept - starts_.begin());
    edit_bytes().replace(from, to - from, bytes);
    const auto delta = static_cast<std::uint32_t>(bytes.size() - (to - from)); // wraps as it should
    for (auto it = kept; it != starts_.end(); ++it)
        *it += delta;
    const bool last = kept_index == starts_.size();
    const std::size_t region_end = last ? size() : starts_[kept_index];
    std::vector<std::uint32_t> found;
    const char* p = this->bytes().data();
    const std::size_t region = starts_[static_cast<std::size_t>(first)] + 1;
    if (region < region_end) {
        for_each_byte(std::string_view(p + region, region_end - region), '\n', [&](std::size_t at) {
            const std::size_t q = region + at;
            if (p[q - 1] == '\r' && (q + 1 < region_end || last))
                found.push_back(static_cast<std::uint32_t>(q + 1));
            return true;
        });
    }
    const auto at = starts_.erase(starts_.begin() + first + 1, starts_.begin() + static_cast<std::ptrdiff_t>(kept_index));
    starts_.insert(at, found.begin(), found.end());
    if (longest_ != unknown) {
        for (int i = first; i <= first + static_cast<int>(found.size()) && i < line_count(); ++i)
            longest_ = std::max(longest_, line_end(i) - line_start(i));
    }
}

void ListEditor::program_write(bool replaces)
{
    if (!armed_)
        return;
    armed_ = false;
    note_ = std::move(pending_note_);
    pending_note_ = Text();
    if (replaces)
        before_ = std::move(text_);
    else
        before_ = text_;
}

void ListEditor::begin_operation(Text note)
{
    armed_ = true;
    pending_note_ = std::move(note);
}

bool ListEditor::undo_operation()
{
    if (!before_)
        return false;
    text_ = std::move(*before_);
    before_.reset();
    note_ = Text();
    caret_ = anchor_ = 0;
    goal_x_ = -1;
    drop_history();
    return true;
}

bool ListEditor::abandon_operation()
{
    if (armed_) {
        armed_ = false;
        pending_note_ = Text();
        return false;
    }
    return undo_operation();
}

void ListEditor::set_text(ListText t)
{
    program_write(true);
    text_ = std::move(t);
    caret_ = anchor_ = 0;
    goal_x_ = -1;
    drop_history();
}

Text ListEditor::take_text()
{
    if (!armed_)
        return text_.text(); // the box keeps its text, should the caller fail
    program_write(true);
    text_ = ListText();
    caret_ = anchor_ = 0;
    goal_x_ = -1;
    drop_history();
    return *before_->share(); // the step keeps the text, the caller changes a copy
}

bool ListEditor::insert_whole(Text t)
{
    set_text(ListText());
    if (t.empty())
        return false;
    const std::size_t n = t.view().size();
    text_ = ListText(std::move(t));
    undo_.push_back(Step{0, {}, {}, n, 0, 0, false});
    caret_ = anchor_ = n;
    before_.reset(); // as any edit: an operation's step is final
    return true;
}

void ListEditor::append(std::string_view bytes)
{
    program_write(false);
    text_.append(bytes);
    caret_ = anchor_ = text_.size();
    goal_x_ = -1;
    drop_history();
}

std::pair<std::size_t, std::size_t> ListEditor::selection() const { return std::minmax(caret_, anchor_); }

std::string_view ListEditor::selected() const
{
    const auto [from, to] = selection();
    return std::string_view(text_.bytes()).substr(from, to - from);
}

void ListEditor::select(std::size_t anchor, std::size_t caret)
{
    anchor_ = std::min(anchor, text_.size());
    caret_ = std::min(caret, text_.size());
    goal_x_ = -1;
}

void ListEditor::select_word(std::size_t pos)
{
    pos = std::min(pos, text_.size());
    const int line = text_.line_of(pos);
    const std::size_t start = text_.line_start(line), end = text_.line_end(line);
    const std::string& b = text_.bytes();
    const bool on_blank = pos < end && blank(b[pos]);
    std::size_t from = pos, to = pos;
    while (from > start && blank(b[text_.prev(from)]) == on_blank)
        from = text_.prev(from);
    while (to < end && blank(b[to]) == on_blank)
        to = text_.next(to);
    select(from, to);
}

void ListEditor::move(Move m, bool extend, int page_lines)
{
    const auto [from, to] = selection();
    const int line = text_.line_of(caret_);
    const std::string& b = text_.bytes();
    std::size_t p = caret_;
    int to_line = 0;
    const bool vertical = m == Move::up || m == Move::down || m == Move::page_up || m == Move::page_down;
    switch (m) {
    case Move::left: p = has_selection() && !extend ? from : text_.prev(p); break;
    case Move::right: p = has_selection() && !extend ? to : text_.next(p); break;
    case Move::word_left:
        while (p > text_.line_start(line) && blank(b[p - 1]))
            p = text_.prev(p);
        if (p == text_.line_start(line))
            p = text_.prev(p);
        else
            while (p > text_.line_start(line) && !blank(b[p - 1]))
                p = text_.prev(p);
        break;
    case Move::word_right:
        if (p == text_.line_end(line)) {
            p = text_.next(p);
            break;
        }
        while (p < text_.line_end(line) && !blank(b[p]))
            p = text_.next(p);
        while (p < text_.line_end(line) && blank(b[p]))
            p = text_.next(p);
        break;
    case Move::up: to_line = line - 1; break;
    case Move::down: to_line = line + 1; break;
    case Move::page_up: to_line = line - std::max(page_lines, 1); break;
    case Move::page_down: to_line = line + std::max(page_lines, 1); break;
    case Move::line_start: p = text_.line_start(line); break;
    case Move::line_end: p = text_.line_end(line); break;
    case Move::text_start: p = 0; break;
    case Move::text_end: p = text_.size(); break;
    }
    int goal = -1;
    if (vertical) {
        goal = goal_x_ >= 0 ? goal_x_ : x_of(caret_);
        p = pos_at(std::clamp(to_line, 0, text_.line_count() - 1), goal);
    }
    caret_ = p;
    if (!extend)
        anchor_ = p;
    goal_x_ = goal;
}

void ListEditor::click(int line, int x, bool extend)
{
    caret_ = pos_at(std::clamp(line, 0, text_.line_count() - 1), x);
    if (!extend)
        anchor_ = caret_;
    goal_x_ = -1;
}

bool ListEditor::type(std::string_view bytes) { return edit(bytes, true); }

bool ListEditor::insert(std::string_view bytes) { return edit(bytes, false); }

bool ListEditor::erase_back()
{
    return has_selection() ? edit({}, false) : erase(text_.prev(caret_), caret_);
}

bool ListEditor::erase_forward()
{
    return has_selection() ? edit({}, false) : erase(caret_, text_.next(caret_));
}

bool ListEditor::erase_to(Move m)
{
    if (!has_selection())
        move(m, true);
    return edit({}, false);
}

bool ListEditor::erase(std::size_t from, std::size_t to)
{
    anchor_ = from;
    caret_ = to;
    return edit({}, false);
}

bool ListEditor::edit(std::string_view bytes, bool typing)
{
    const auto [from, to] = selection();
    if (from == to && bytes.empty())
        return false;
    Step step{from, std::string(selected()), {}, bytes.size(), caret_, anchor_, typing};
    text_.replace(from, to, bytes);
    caret_ = anchor_ = from + bytes.size();
    goal_x_ = -1;
    redo_.clear();
    before_.reset(); // typing after an operation makes it final
    Step* last = undo_.empty() ? nullptr : &undo_.back();
    if (typing && from == to && last != nullptr && last->typing && last->pos + last->inserted_size == from) {
        last->inserted_size += bytes.size();
        return true;
    }
    undo_.push_back(std::move(step));
    if (undo_.size() > undo_limit)
        undo_.pop_front();
    return true;
}

bool ListEditor::undo()
{
    if (undo_.empty())
        return undo_operation();
    Step s = std::move(undo_.back());
    undo_.pop_back();
    s.inserted = std::string(text_.bytes(), s.pos, s.inserted_size);
    text_.replace(s.pos, s.pos + s.inserted_size, s.removed);
    caret_ = s.caret_before;
    anchor_ = s.anchor_before;
    goal_x_ = -1;
    s.typing = false; // what is redone runs into no later typing
    redo_.push_back(std::move(s));
    return true;
}

bool ListEditor::redo()
{
    if (redo_.empty())
        return false;
    Step s = std::move(redo_.back());
    redo_.pop_back();
    text_.replace(s.pos, s.pos + s.removed.size(), s.inserted);
    caret_ = anchor_ = s.pos + s.inserted_size;
    std::string().swap(s.inserted);
    goal_x_ = -1;
    undo_.push_back(std::move(s));
    return true;
}

void ListEditor::drop_history()
{
    undo_.clear();
    redo_.clear();
}

int ListEditor::width(const Glyph& g, int x) const
{
    if (g.c != '\t')
        return advance_(g.c);
    const int stop = std::max(8 * advance_(U' '), 1);
    return stop - x % stop;
}

int ListEditor::x_of(std::size_t pos) const
{
    const int line = text_.line_of(pos);
    const std::size_t start = text_.line_start(line);
    int x = 0;
    for_each_glyph(std::string_view(text_.bytes()).substr(start, std::min(pos, text_.line_end(line)) - start), start,
                   [&](const Glyph& g) {
                       x += width(g, x);
                       return true;
                   });
    return x;
}

std::size_t ListEditor::pos_at(int line, int x) const
{
    std::size_t found = text_.line_end(line);
    int at = 0;
    for_each_glyph(text_.line(line), text_.line_start(line), [&](const Glyph& g) {
        const int w = width(g, at);
        if (x < at + (w + 1) / 2) {
            found = g.pos;
            return false;
        }
        at += w;
        return true;
    });
    return found;
}

} // namespace fenrow
