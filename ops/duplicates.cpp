#include "ops/duplicates.h"

#include "ops/control_names.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "runtime/large_pages.h"
#include "runtime/string_fill.h"
#include "runtime/text_routines.h"
#include "runtime/work_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
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

// A key's hash, 64 bits wide: its slot from the high half and its tag from
// bits 16 to 30, so that the tag tells apart keys whose slots lie near.
std::uint64_t key_hash(std::string_view s) { return SpanSet::wide_hash(s); }

// A key is seldom longer than half as much again as its line.
std::size_t key_room(std::size_t bytes) { return bytes + bytes / 2 + 16; }

// Keys of this size or more are not kept in a KeySet's tag.
constexpr std::size_t long_key = 0xFFFF;

// Where a right key lies: in the right list itself, or with this bit in the
// buffer of keys that differ from their lines.
constexpr std::uint32_t made_key = 0x80000000u;

// The right keys, by open addressing: eight bytes a key, which stays where it
// lies, filled by several threads at once (a slot is taken by compare and
// swap, and is never given up). Sized for every line of the list, so that it
// never grows and is at most three quarters full.
class KeySet {
public:
    KeySet(const char* right, const char* made, std::size_t expected)
        : right_(right), made_(made), size_(std::max<std::size_t>(16, expected + expected / 3)),
          slots_(static_cast<std::uint64_t*>(std::calloc(size_, sizeof(std::uint64_t)))) // pages cleared by the system
    {
        if (!slots_)
            throw std::bad_alloc();
        // Lookups land anywhere in it: with small pages nearly each would miss the TLB.
        offer_large_pages(slots_.get(), size_ * sizeof(std::uint64_t));
    }
    void prefetch(std::uint64_t hash) const { __builtin_prefetch(&slots_[home(hash)]); }
    // Once the slot is fetched: asks for the bytes of the key it holds, if
    // that may be the one looked for.
    void prefetch_key(std::uint64_t hash, std::size_t size) const
    {
        const std::uint64_t slot = slots_[home(hash)];
        if (slot >> 32 == tag(hash, size))
            __builtin_prefetch(at(static_cast<std::uint32_t>(slot)));
    }
    // The key's bytes must be written before; then any thread may look for it.
    void insert(std::uint32_t ref, std::string_view key, std::uint64_t hash)
    {
        const std::uint64_t wanted = tag(hash, key.size());
        const std::uint64_t mine = wanted << 32 | ref;
        for (std::size_t i = home(hash);; i = i + 1 == size_ ? 0 : i + 1) {
            std::atomic_ref<std::uint64_t> slot(slots_[i]);
            std::uint64_t seen = slot.load(std::memory_order_acquire);
            if (seen == 0 && slot.compare_exchange_strong(seen, mine, std::memory_order_acq_rel))
                return;
            if (seen >> 32 == wanted && std::memcmp(at(static_cast<std::uint32_t>(seen)), key.data(), key.size()) == 0)
                return;
        }
    }
    // Once every insert is over.
    bool contains(std::string_view key, std::uint64_t hash) const
    {
        if (key.size() >= long_key)
            return false;
        const std::uint64_t wanted = tag(hash, key.size());
        for (std::size_t i = home(hash);; i = i + 1 == size_ ? 0 : i + 1) {
            const std::uint64_t slot = slots_[i];
            if (slot == 0)
                return false;
            if (slot >> 32 == wanted && std::memcmp(at(static_cast<std::uint32_t>(slot)), key.data(), key.size()) == 0)
                return true;
        }
    }

private:
    // 15 bits of the hash, which spare most comparisons, and the size; never 0.
    static std::uint64_t tag(std::uint64_t hash, std::size_t size)
    {
        return (0x8000u | ((hash >> 16) & 0x7FFF)) << 16 | size;
    }
    std::size_t home(std::uint64_t hash) const { return static_cast<std::size_t>(((hash >> 32) * size_) >> 32); }
    const char* at(std::uint32_t ref) const { return (ref & made_key) != 0 ? made_ + (ref & ~made_key) : right_ + ref; }

    const char* right_;
    const char* made_;
    std::size_t size_;
    struct Free {
        void operator()(std::uint64_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint64_t[], Free> slots_;
};

// An ASCII name's key is its bytes without blanks at the ends, capitals
// lowered: where it lies in the name, and whether any capital is to lower.
// Empty when the name is not ASCII; line_break when it holds a CR or LF.
struct AsciiName {
    std::size_t begin = 0, end = 0;
    bool capitals = false, line_break = false;
};
std::optional<AsciiName> ascii_name(std::string_view s)
{
    // Eight bytes at a time: a byte's high bit says non-ASCII; below 0x80 the
    // sums never carry into the next byte.
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = ones * 0x80;
    std::uint64_t capitals = 0, line_break = 0;
    const auto test = [&](std::uint64_t v) {
        if (v & highs)
            return false;
        capitals |= (v + ones * (0x80 - 'A')) & ~(v + ones * (0x80 - 'Z' - 1));
        line_break |= ~((v ^ ones * '\r') + ones * 0x7F) | ~((v ^ ones * '\n') + ones * 0x7F);
        return true;
    };
    const char* p = s.data();
    std::size_t n = s.size();
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        if (!test(v))
            return std::nullopt;
    }
    std::uint64_t v = 0x2020202020202020ull; // blanks, none of the bytes looked for
    std::memcpy(&v, p, n);
    if (!test(v))
        return std::nullopt;
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    AsciiName a{0, s.size(), (capitals & highs) != 0, (line_break & highs) != 0};
    while (a.begin < a.end && blank(s[a.begin]))
        ++a.begin;
    while (a.end > a.begin && blank(s[a.end - 1]))
        --a.end;
    return a;
}

// The characters of two-byte codes that have no case (Chinese, Korean), by
// (lead - 0x81) * 192 + (second - 0x40); 0 for any other code.
const std::vector<char32_t>& caseless_pairs()
{
    static const std::vector<char32_t> table = [] {
        std::vector<char32_t> t(126 * 192, 0);
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
            for (unsigned second = 0x40; second <= 0xFF; ++second) {
                const char pair[] = {static_cast<char>(lead), static_cast<char>(second)};
                const Cp936Char c = cp936_char_at(std::string_view(pair, 2));
                if (c.length == 2 && ((c.c >= 0x3400 && c.c < 0xA000) || (c.c >= 0xAC00 && c.c < 0xD7A4)))
                    t[(lead - 0x81) * 192 + (second - 0x40)] = c.c;
            }
        return t;
    }();
    return table;
}

// append_name_key(out, name) made straight from the bytes where the name holds
// only ASCII and two-byte Chinese or Korean characters, which have no case
// (most non-ASCII accounts); any other name goes the long way.
void append_key(std::string& out, std::string_view name)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t i = 0, end = name.size();
    while (i < end && blank(name[i]))
        ++i;
    while (end > i && blank(name[end - 1]))
        --end;
    const std::size_t at = out.size();
    const std::vector<char32_t>& pairs = caseless_pairs();
    out.resize(at + 2 * (end - i)); // a byte gives one, a pair at most three
    char* to = out.data() + at;
    while (i < end) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (b < 0x80) {
            *to++ = ascii_lower(static_cast<char>(b));
            ++i;
            continue;
        }
        // A lead byte last before the blanks takes the first of them.
        const auto second = static_cast<unsigned char>(i + 1 < end ? name[i + 1] : 0);
        const char32_t c = b >= 0x81 && b <= 0xFE && second >= 0x40 ? pairs[(b - 0x81) * 192 + (second - 0x40)] : 0;
        if (c == 0) {
            out.resize(at);
            append_name_key(out, name);
            return;
        }
        auto v = static_cast<std::uint32_t>(c); // below 0x10000: three groups of seven bits at most
        for (; v >= 0x80; v >>= 7)
            *to++ = static_cast<char>(0x80 | (v & 0x7F));
        *to++ = static_cast<char>(v);
        i += 2;
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
}

void append_lowered(std::string& out, std::string_view s)
{
    const std::size_t at = out.size();
    out.append(s);
    for (std::size_t i = at; i < out.size(); ++i)
        out[i] = ascii_lower(out[i]);
}

struct RightChunk {
    std::string_view text;
    std::size_t room_at = 0; // its made keys' place in the buffer they share
    bool overflowed = false;
};

// The right list's keys of one chunk into the set: where the key is the line's
// own bytes (most ASCII accounts) only its place, otherwise made into the
// shared buffer first. False when a key outgrew the room.
bool add_right_keys(const RightChunk& c, std::string_view right, char* made, KeySet& present)
{
    std::size_t to = c.room_at;
    const std::size_t end = c.room_at + key_room(c.text.size());
    std::string scratch;
    bool fits = true;
    // Each key goes in a few keys after its slot was asked for.
    constexpr std::size_t ahead = 16;
    struct Waiting {
        std::uint32_t ref = 0;
        std::string_view key;
        std::uint64_t hash = 0;
    };
    Waiting waiting[ahead];
    std::size_t n = 0;
    for_each_crlf_piece(c.text, [&](std::string_view x) {
        if (!fits)
            return;
        std::string_view key;
        std::uint32_t ref = 0;
        const std::optional<AsciiName> a = ascii_name(x);
        if (a && (a->line_break || a->begin == a->end))
            return; // not a section name a settings file could hold
        if (a && !a->capitals) {
            key = x.substr(a->begin, a->end - a->begin);
            ref = static_cast<std::uint32_t>(key.data() - right.data());
        } else {
            scratch.clear();
            if (a)
                append_lowered(scratch, x.substr(a->begin, a->end - a->begin));
            else if (holds_as_section_name(x))
                append_key(scratch, x);
            else
                return;
            if (scratch.size() > end - to) {
                fits = false;
                return;
            }
            std::memcpy(made + to, scratch.data(), scratch.size());
            key = std::string_view(made + to, scratch.size());
            ref = made_key | static_cast<std::uint32_t>(to);
            to += scratch.size();
        }
        if (key.size() >= long_key) {
            fits = false;
            return;
        }
        Waiting& w = waiting[n++ % ahead];
        if (n > ahead)
            present.insert(w.ref, w.key, w.hash);
        w = {ref, key, key_hash(key)};
        present.prefetch(w.hash);
    });
    if (fits)
        for (std::size_t i = n > ahead ? n - ahead : 0; i < n; ++i)
            present.insert(waiting[i % ahead].ref, waiting[i % ahead].key, waiting[i % ahead].hash);
    return fits;
}

struct LeftChunk {
    std::string_view text;
    std::vector<std::uint8_t> picked; // a line's, in order
    std::size_t bytes = 0;            // the picked lines', each with its CR LF
};

// Marks the left lines of one chunk that no right key names; each slot asked
// for a few lines ahead of its lookup and the key it holds half as many, so
// that the set's memory and the right list are read meanwhile.
void pick_chunk(LeftChunk& c, const KeySet& present)
{
    c.picked.reserve(c.text.size() / 16);
    constexpr std::size_t ahead = 16, key_ahead = 8;
    struct Waiting {
        std::size_t line = 0, bytes = 0;
        std::string own; // the key, where it is not the line's own bytes
        std::string_view key;
        std::uint64_t hash = 0;
    };
    Waiting waiting[ahead];
    std::size_t n = 0;
    const auto settle = [&](const Waiting& w) {
        if (present.contains(w.key, w.hash)) {
            c.picked[w.line] = 0;
            c.bytes -= w.bytes;
        }
    };
    for_each_crlf_piece(c.text, [&](std::string_view line) {
        const std::size_t i = c.picked.size();
        c.picked.push_back(1);
        c.bytes += line.size() + 2;
        const std::string_view name = drop_leading_controls(line);
        if (name.empty())
            return; // always picked
        Waiting& w = waiting[n++ % ahead];
        if (n > ahead)
            settle(w);
        w.line = i;
        w.bytes = line.size() + 2;
        const std::optional<AsciiName> a = ascii_name(name);
        if (a && !a->capitals) {
            w.key = name.substr(a->begin, a->end - a->begin);
        } else {
            w.own.clear();
            if (a)
                append_lowered(w.own, name.substr(a->begin, a->end - a->begin));
            else
                append_key(w.own, name);
            w.key = w.own;
        }
        w.hash = key_hash(w.key);
        present.prefetch(w.hash);
        if (n > key_ahead) {
            const Waiting& k = waiting[(n - 1 - key_ahead) % ahead];
            present.prefetch_key(k.hash, k.key.size());
        }
    });
    for (std::size_t i = n > ahead ? n - ahead : 0; i < n; ++i)
        settle(waiting[i % ahead]);
}

// pick_missing on the pool: the right list's keys put in one set by all
// threads at once, in chunks (in place where a key is its line's bytes, else
// into one buffer), then the left lines looked up in chunks and the picked
// ones written in place. Empty when a key outgrew its room: the caller then
// picks on one thread.
std::optional<Text> pick_on(WorkPool& pool, std::string_view left, std::string_view right,
                            const std::function<void()>& paint)
{
    const auto between = [&paint] {
        if (paint)
            paint();
    };
    std::vector<RightChunk> rights;
    std::size_t room = 0;
    for (const std::string_view c : crlf_chunks(right, chunk_count(&pool, right.size()))) {
        rights.emplace_back().text = c;
        rights.back().room_at = room;
        room += key_room(c.size());
    }
    if (room >= made_key)
        return std::nullopt;
    std::vector<std::size_t> lines(rights.size());
    pool.run(rights.size(), [&](std::size_t k) { lines[k] = rough_line_count(rights[k].text); });
    std::size_t expected = 0;
    for (const std::size_t n : lines)
        expected += n;
    const std::unique_ptr<char[]> made = std::make_unique_for_overwrite<char[]>(room); // pages never written cost nothing
    KeySet present(right.data(), made.get(), expected);
    pool.run(rights.size(), [&](std::size_t k) { rights[k].overflowed = !add_right_keys(rights[k], right, made.get(), present); }, between);
    for (const RightChunk& c : rights)
        if (c.overflowed)
            return std::nullopt;

    std::vector<LeftChunk> lefts;
    for (const std::string_view c : crlf_chunks(left, chunk_count(&pool, left.size())))
        lefts.emplace_back().text = c;
    pool.run(lefts.size(), [&](std::size_t k) { pick_chunk(lefts[k], present); }, between);
    std::vector<std::size_t> at{0};
    for (const LeftChunk& c : lefts)
        at.push_back(at.back() + c.bytes);
    std::string result;
    grow_and_write(result, at.back(), [&](char* start) {
        pool.run(lefts.size(), [&](std::size_t k) {
            char* to = start + at[k];
            std::size_t i = 0;
            for_each_crlf_piece(lefts[k].text, [&](std::string_view line) {
                if (!lefts[k].picked[i++])
                    return;
                std::memcpy(to, line.data(), line.size());
                std::memcpy(to + line.size(), "\r\n", 2);
                to += line.size() + 2;
            });
        });
    });
    return Text(std::move(result));
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

Text pick_missing(std::string_view left, std::string_view right, const std::function<void()>& paint, WorkPool* pool)
{
    if (pool != nullptr && chunk_count(pool, left.size() + right.size()) > 1 && right.size() < (std::size_t{1} << 31)) {
        if (std::optional<Text> picked = pick_on(*pool, left, right, paint))
            return std::move(*picked);
    }
    std::size_t done = 0;
    const std::function<void()> paint_now_and_then = [&] {
        if (++done % lines_between_paints == 0 && paint)
            paint();
    };
    const MissingLines missing(right, paint_now_and_then);
    std::string result;
    result.reserve(left.size() + left.size() / 8 + 2);
    done = 0;
    missing.pick(left, result, paint_now_and_then);
    return Text(std::move(result));
}

// The right lines as the sections a settings file would hold: the same name
// keys, and only lines it could store. The keys lie end to end in one buffer,
// with room enough that it should never have to move.
MissingLines::MissingLines(std::string_view right, const std::function<void()>& each_line)
    : present_(keys_, rough_line_count(right))
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
        if (each_line)
            each_line();
    });
}

// Each left line is looked up a few lines after its key was made and its slot
// asked for, so that the set's memory is read meanwhile.
void MissingLines::pick(std::string_view left, std::string& out, const std::function<void()>& each_line) const
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
        if (each_line)
            each_line();
    });
    for (std::size_t i = done > ahead ? done - ahead : 0; i < done; ++i)
        settle(pending[i % ahead]);
}

} // namespace fenrow
