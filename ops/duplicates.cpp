#include "ops/duplicates.h"

#include "ops/control_names.h"
#include "runtime/files.h"
#include "runtime/text_routines.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow {

namespace {

// Often enough for a window to keep painting, rarely enough to cost nothing.
constexpr std::size_t lines_between_paints = 4096;

// Settings-file lookups skip these before they compare a section name.
std::string_view drop_leading_controls(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 0x20)
        ++i;
    return s.substr(i);
}

} // namespace

bool holds_as_section_name(std::string_view s)
{
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

Text pick_missing(std::string_view left, std::string_view right, const std::function<void()>& paint)
{
    const auto paint_now_and_then = [&](std::size_t done) {
        if (done % lines_between_paints == 0 && paint)
            paint();
    };
    // The right lines as the sections a settings file would hold: the same
    // name keys, and only lines it could store. The keys lie end to end in one
    // buffer, with room enough that it should never have to move.
    std::string keys;
    keys.reserve(right.size() + right.size() / 2 + 1);
    SpanSet present(keys, rough_line_count(right));
    std::size_t done = 0;
    for_each_crlf_piece(right, [&](std::string_view x) {
        if (holds_as_section_name(x)) {
            const std::size_t at = keys.size();
            const char* const before = keys.data();
            append_name_key(keys, x);
            if (keys.data() != before)
                present.rebase(keys);
            present.insert(std::string_view(keys).substr(at));
        }
        paint_now_and_then(++done);
    });

    // Each left line is looked up a few lines after its key was made and its
    // slot asked for, so that the set's memory is read meanwhile.
    struct Pending {
        std::string_view line;
        std::string key;
        std::uint32_t hash = 0;
        bool named = false;
    };
    constexpr std::size_t ahead = 8;
    Pending pending[ahead];
    std::string result;
    result.reserve(left.size() + left.size() / 8 + 2);
    const auto settle = [&](const Pending& p) {
        if (!p.named || !present.contains(p.key, p.hash)) {
            result += p.line;
            result += crlf;
        }
    };
    done = 0;
    for_each_crlf_piece(left, [&](std::string_view y) {
        Pending& p = pending[done % ahead];
        if (done >= ahead)
            settle(p);
        const std::string_view name = drop_leading_controls(y);
        p.line = y;
        p.named = !name.empty();
        if (p.named) {
            p.key.clear();
            append_name_key(p.key, name);
            p.hash = SpanSet::hash(p.key);
            present.prefetch(p.hash);
        }
        paint_now_and_then(++done);
    });
    for (std::size_t i = done > ahead ? done - ahead : 0; i < done; ++i)
        settle(pending[i % ahead]);
    return Text(std::move(result));
}

MissingLines::MissingLines(std::string_view right) : present_(keys_, rough_line_count(right))
{
    keys_.reserve(right.size() + right.size() / 2 + 1);
    present_.rebase(keys_);
    for_each_crlf_piece(right, [&](std::string_view x) {
        if (holds_as_section_name(x)) {
            const std::size_t at = keys_.size();
            const char* const before = keys_.data();
            append_name_key(keys_, x);
            if (keys_.data() != before)
                present_.rebase(keys_);
            present_.insert(std::string_view(keys_).substr(at));
        }
    });
}

void MissingLines::pick(std::string_view left, std::string& out) const
{
    struct Pending {
        std::string_view line;
        std::string key;
        std::uint32_t hash = 0;
        bool named = false;
    };
    constexpr std::size_t ahead = 8;
    Pending pending[ahead];
    const auto settle = [&](const Pending& p) {
        if (!p.named || !present_.contains(p.key, p.hash)) {
            out += p.line;
            out += crlf;
        }
    };
    std::size_t done = 0;
    for_each_crlf_piece(left, [&](std::string_view y) {
        Pending& p = pending[done % ahead];
        if (done >= ahead)
            settle(p);
        const std::string_view name = drop_leading_controls(y);
        p.line = y;
        p.named = !name.empty();
        if (p.named) {
            p.key.clear();
            append_name_key(p.key, name);
            p.hash = SpanSet::hash(p.key);
            present_.prefetch(p.hash);
        }
        ++done;
    });
    for (std::size_t i = done > ahead ? done - ahead : 0; i < done; ++i)
        settle(pending[i % ahead]);
}

} // namespace fenrow
