#include "ops/duplicates.h"

#include "runtime/codepage.h"
#include "runtime/desktop.h"
#include "runtime/files.h"
#include "runtime/text_routines.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fenrow {

namespace {

// Often enough for the window to keep painting, rarely enough to cost nothing.
// Only painting: a click on another button waits until the pick is over.
constexpr std::size_t lines_between_paints = 4096;

// A name key as bytes, each code point in 7-bit groups (high bit set on all
// but the last), so ASCII stays one byte and equal strings mean equal keys.
void append_key(std::string& out, const std::u32string& key)
{
    for (const char32_t c : key) {
        auto v = static_cast<std::uint32_t>(c);
        for (; v >= 0x80; v >>= 7)
            out += static_cast<char>(0x80 | (v & 0x7F));
        out += static_cast<char>(v);
    }
}

// Settings-file lookups skip these before they compare a section name.
std::string_view drop_leading_controls(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 0x20)
        ++i;
    return s.substr(i);
}

} // namespace

bool holds_as_section_name(const Text& line)
{
    const std::string_view s = line.view();
    const auto line_break = [](unsigned char b) { return b == '\r' || b == '\n'; };
    bool blank_only = true;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (line_break(b))
            return false;
        if (b != ' ' && b != '\t')
            blank_only = false;
        // Written as [line], a lead byte in the last place would take the ']'
        // as its second byte.
        if (b > 0x80 && (++i == s.size() || line_break(static_cast<unsigned char>(s[i]))))
            return false;
    }
    return !blank_only;
}

void remove_duplicate_lines(Controls& ui)
{
    ui.set_content(ctl::right_box, remove_duplicate_items(ui.get_content(ctl::left_box), Text(crlf)));
}

void pick_non_duplicates(Controls& ui)
{
    const TextArray right = txt_split(ui.get_content(ctl::right_box), crlf);
    const Text left_text = ui.get_content(ctl::left_box);
    const TextArray left = txt_split(left_text, crlf);

    // The right lines as the sections a settings file would hold: the same
    // name keys, and only lines it could store. The keys lie end to end in one
    // buffer, which stops growing before the set points into it.
    std::string keys;
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    spans.reserve(right.items().size());
    std::size_t done = 0;
    for (const Text& x : right) {
        if (holds_as_section_name(x)) {
            const std::size_t at = keys.size();
            append_key(keys, ini_name_key(x));
            spans.emplace_back(at, keys.size() - at);
        }
        if (++done % lines_between_paints == 0)
            process_paint_events();
    }
    std::unordered_set<std::string_view> present;
    present.reserve(spans.size());
    for (const auto& [at, n] : spans)
        present.emplace(keys.data() + at, n);

    std::string key, result;
    result.reserve(left_text.view().size() + 2 * left.items().size());
    done = 0;
    for (const Text& y : left) {
        const std::string_view name = drop_leading_controls(y.view());
        bool found = false;
        if (!name.empty()) {
            key.clear();
            const Text dropped = name.size() == y.view().size() ? Text() : Text(name);
            append_key(key, ini_name_key(dropped.empty() ? y : dropped));
            found = present.contains(key);
        }
        if (!found) {
            result += y.view();
            result += "\r\n";
        }
        if (++done % lines_between_paints == 0)
            process_paint_events();
    }
    ui.set_content(ctl::right_box, Text(std::move(result)));
}

} // namespace fenrow
