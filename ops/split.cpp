#include "ops/split.h"

#include "ops/blank_lines.h"
#include "runtime/codepage.h"
#include "runtime/text_routines.h"

namespace fenrow {

std::vector<LineSpan> account_line_spans(std::string_view text)
{
    std::vector<LineSpan> lines;
    lines.reserve(rough_line_count(text));
    for_each_crlf_piece(text, [&](std::string_view line) {
        lines.push_back({static_cast<std::uint32_t>(line.data() - text.data()), static_cast<std::uint32_t>(line.size())});
    });
    return lines;
}

Text delete_line(const Text& text, int n)
{
    const std::string_view s = text.view();
    const std::vector<LineSpan> lines = account_line_spans(s);
    std::string out;
    out.reserve(s.size());
    bool first = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (static_cast<long long>(i) + 1 == n)
            continue;
        if (!first)
            out += "\r\n";
        out.append(s.substr(lines[i].begin, lines[i].size));
        first = false;
    }
    return Text(std::move(out));
}

Message short_list_notice() { return {"前部分账号已分完，剩余账号小于待分账号个数，存在左侧！"_t, "信息："_t}; }

namespace {

bool is_regex_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Blank lines can only follow a line break that has whitespace behind it; a
// block of ordinary accounts needs just the cuts at both ends, not the engine.
Text without_blank_lines(Text block)
{
    const std::string_view s = block.view();
    for (std::size_t at = s.find('\n'); at != std::string_view::npos; at = s.find('\n', at + 1)) {
        if (at + 1 < s.size() && is_regex_space(s[at + 1]))
            return remove_blank_lines(block);
    }
    std::size_t from = 0, to = s.size();
    if (s.starts_with("\r\n"))
        from = 2;
    if (to - from >= 2 && s.substr(to - 2) == "\r\n")
        to -= 2;
    return Text(s.substr(from, to - from));
}

} // namespace

AccountList::AccountList(Text content) : AccountList(std::make_shared<const Text>(std::move(content))) {}

AccountList::AccountList(std::shared_ptr<const Text> content)
    : text_(std::move(content)), lines_(std::make_shared<const std::vector<LineSpan>>(account_line_spans(text_->view()))),
      end_(static_cast<std::uint32_t>(lines_->size()))
{
}

// A box rewritten from its lines ends in CR LF when its last line is empty,
// and the next split drops that line.
std::uint32_t AccountList::visible_end() const
{
    if (!untouched_ && end_ > first_ && (*lines_)[end_ - 1].size == 0)
        return end_ - 1;
    return end_;
}

int AccountList::line_count() const { return static_cast<int>(visible_end() - first_); }

void AccountList::delete_first_line()
{
    const std::uint32_t end = visible_end();
    first_ = end > first_ ? first_ + 1 : end;
    end_ = end;
    untouched_ = false;
}

Text AccountList::content() const
{
    if (untouched_)
        return Text(*text_);
    if (first_ == end_)
        return Text();
    const std::size_t from = (*lines_)[first_].begin;
    const LineSpan& last = (*lines_)[end_ - 1];
    return Text(text_->view().substr(from, last.begin + last.size - from));
}

AccountList::Block AccountList::take(const BlockOptions& o)
{
    Block b;
    const std::uint32_t first = first_;
    if (o.count >= 1 && line_count() < o.count) {
        b.done = false;
        b.message = short_list_notice();
    } else {
        std::string block;
        for (int32_t i = 1; i <= o.count; ++i) {
            if (o.numbered)
                block += txt_from_int(i).str() + o.separator.str();
            const LineSpan& line = (*lines_)[first + static_cast<std::uint32_t>(i) - 1];
            block.append(text_->view().substr(line.begin, line.size));
            block += "\r\n";
            // The box's first line goes, even when an emptied last line has
            // already taken the line just written to the block.
            delete_first_line();
        }
        b.text = Text(std::move(block));
    }
    if (o.with_top)
        b.text = o.top_text + "\r\n" + b.text;
    b.text = without_blank_lines(std::move(b.text));
    return b;
}

} // namespace fenrow
