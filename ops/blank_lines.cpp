#include "ops/blank_lines.h"

#include "modules/regex_object.h"
#include "runtime/automation.h"

#include <cstring>
#include <string>
#include <string_view>

namespace fenrow {

namespace {

// One line break off each end.
std::string_view trim_line_breaks(std::string_view s)
{
    if (s.substr(0, 2) == crlf)
        s.remove_prefix(2);
    if (s.size() >= 2 && s.substr(s.size() - 2) == crlf)
        s.remove_suffix(2);
    return s;
}

// What \s matches without Unicode rules: space, tab, LF, VT, FF and CR.
bool blank(char b) { return b == ' ' || (b >= '\t' && b <= '\r'); }

} // namespace

Text remove_blank_lines(const Text& t)
{
    // The expression's work done on the bytes: every byte \s matches is ASCII,
    // and no ASCII byte up to 0x20 is ever part of a two- or four-byte character.
    const std::string_view s = trim_line_breaks(t.view());
    std::string out;
    std::size_t copied = 0;
    bool matched = false;
    for (std::size_t i = 0; i < s.size();) {
        const void* hit = std::memchr(s.data() + i, '\n', s.size() - i);
        if (hit == nullptr)
            break;
        const std::size_t lf = static_cast<std::size_t>(static_cast<const char*>(hit) - s.data());
        std::size_t end = lf + 1, last_cr = 0;
        for (; end < s.size() && blank(s[end]); ++end) {
            if (s[end] == '\r')
                last_cr = end;
        }
        if (last_cr == 0) { // no CR behind it: nor behind any LF of the same run
            i = end;
            continue;
        }
        if (!matched)
            out.reserve(s.size());
        matched = true;
        out.append(s, copied, lf - copied);
        copied = i = last_cr + 1;
    }
    if (!matched) // a text with nothing to cut is not copied
        return s.size() == t.view().size() ? t : Text(s);
    out.append(s.substr(copied));
    return Text(std::move(out));
}

Text remove_blank_lines_by_expression(const Text& t)
{
    const Text cut(trim_line_breaks(t.view()));
    // An LF, the whitespace behind it, up to the last CR of that run.
    RegexObject re;
    if (!re.search("\\n\\s*\\r", cut))
        return t;
    Text r = re.replace(Text());
    return obj_result_code() == result_ok ? r : t;
}

void remove_blank_lines_in_both(Controls& ui)
{
    ui.set_content(ctl::left_box, remove_blank_lines(ui.get_content(ctl::left_box)));
    ui.set_content(ctl::right_box, remove_blank_lines(ui.get_content(ctl::right_box)));
}

} // namespace fenrow
