#include "ops/add_suffix.h"

#include "ops/blank_lines.h"
#include "ops/control_names.h"
#include "runtime/codepage.h"
#include "runtime/text_routines.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace fenrow {

namespace {

// Calls f with each account line of the list: blank lines do not count as
// accounts; those remove_blank_lines keeps at the ends (a run of them at the
// top, or of spaces only) are dropped as well.
template <typename F>
void for_each_account(const Text& list, F&& f)
{
    const auto account = [&](std::string_view line) {
        if (line.find_first_not_of(" \t\n\v\f\r") != std::string_view::npos)
            f(line);
    };
    // The cleaned list's lines without the cleaned list: read through its parts.
    CrlfPieceStream lines;
    for_each_kept_part(list.view(), [&](std::string_view part) { lines.feed(part, account); });
    lines.finish(account);
}

} // namespace

Text add_suffix_notice() { return "正在添加，请稍等……"_t + crlf + "后缀添加完毕才会显示！"_t; }

Text mark_groups(const Text& list, MarkOptions o, const MarkRereads& rereads)
{
    std::string r;
    if (o.mode != MarkMode::none) {
        r.reserve(list.view().size() + list.view().size() / 4);
        double k = 1; // the next group number, first-account mode
        int i = 0;
        for_each_account(list, [&](std::string_view line) {
            if (i++ % rereads.lines == 0 && rereads.read)
                rereads.read(o);
            const double n = o.group;
            r += line;
            if (o.mode == MarkMode::first) {
                if (i == std::trunc(n * k - (n - 1))) {
                    r += o.symbol.view();
                    char digits[16];
                    r.append(digits, std::to_chars(digits, digits + sizeof digits, static_cast<int32_t>(k)).ptr);
                    k += 1;
                }
            } else if (o.group != 0 && i % static_cast<int64_t>(o.group) == 0) {
                r += o.symbol.view();
                r += txt_from_double(i / n).view();
            }
            r += crlf;
        });
    }
    return remove_blank_lines(Text(std::move(r)));
}

bool GroupMarks::is_account(std::string_view line) { return line.find_first_not_of(" \t\n\v\f\r") != std::string_view::npos; }

void GroupMarks::add(std::string_view line, std::string& r)
{
    if (o_.mode == MarkMode::none)
        return;
    ++i_;
    const double n = o_.group;
    r += line;
    if (o_.mode == MarkMode::first) {
        if (i_ == std::trunc(n * k_ - (n - 1))) {
            r += o_.symbol.view();
            char digits[16];
            r.append(digits, std::to_chars(digits, digits + sizeof digits, static_cast<int32_t>(k_)).ptr);
            k_ += 1;
        }
    } else if (o_.group != 0 && i_ % static_cast<int64_t>(o_.group) == 0) {
        r += o_.symbol.view();
        r += txt_from_double(i_ / n).view();
    }
    r += crlf;
}

} // namespace fenrow
