// Text routines shared by the account operations and the HTTP client.
#pragma once

#include "runtime/byte_scan.h"
#include "runtime/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace fenrow {

class WorkPool;

// The text between the first head at or behind start (1-based; absent or 0:
// the beginning) and the first tail behind that head. In both markers "#引号"
// stands for a double quote. Empty when either is missing; an empty head
// starts at the beginning, an empty tail runs to the end. ASCII letters match
// either case unless case_sensitive.
Text text_between(const Text& text, const Text& head, const Text& tail, std::optional<int> start = std::nullopt,
                  std::optional<bool> case_sensitive = std::nullopt);

// The same over views, with markers already given their quotes and a 0-based
// start: a view into s.
std::string_view text_between_view(std::string_view s, std::string_view head, std::string_view tail, std::size_t from,
                                   bool ignore_case);
// A marker with "#引号" standing for a double quote written out.
Text with_quotes(const Text& marker);

// 1-based index of the first element equal to t (exact bytes), or -1.
int index_of(const TextArray& a, const Text& t);

// The items of t cut at sep, each kept at its first occurrence only (exact
// bytes), joined by sep again without one behind the last.
// With a pool, long lists of lines are done in parallel.
Text remove_duplicate_items(const Text& t, const Text& sep, WorkPool* pool = nullptr);

// Calls f with each piece txt_split(t, CR LF) gives that a CR LF ends, as a
// view into s, without a copy: a CR LF counts only where a character starts
// (a byte above 0x80 takes the next one with it). Returns where the rest,
// which no CR LF ends, begins.
template <typename F>
std::size_t for_each_ended_crlf_piece(std::string_view s, F&& f)
{
    std::size_t piece = 0;
    if (s.size() < 2)
        return piece;
    for_each_byte(s.substr(0, s.size() - 1), '\r', [&](std::size_t p) {
        // Not where the CR is a character's second byte.
        if (s[p + 1] == '\n' && starts_character(s, piece, p)) {
            f(s.substr(piece, p - piece));
            piece = p + 2;
        }
        return true;
    });
    return piece;
}

// Every piece txt_split(t, CR LF) gives, as above; a CR LF at the end ends no
// empty piece.
template <typename F>
void for_each_crlf_piece(std::string_view s, F&& f)
{
    const std::size_t rest = for_each_ended_crlf_piece(s, f);
    if (rest < s.size())
        f(s.substr(rest));
}

// Lines ended by CR LF, as for_each_crlf_piece cuts them.
struct CrlfEnds {
    static constexpr std::size_t size = 2;
    // Whether text, ending in an LF, ends a piece there.
    static bool end_piece(std::string_view s) { return s.ends_with("\r\n") && starts_character(s, 0, s.size() - 2); }
    template <typename F>
    static std::size_t each_ended(std::string_view s, F&& f)
    {
        return for_each_ended_crlf_piece(s, f);
    }
};

// for_each_crlf_piece (or its twin for other line ends) over a text given in
// parts: the pieces of the parts joined, each a view into its part, or into a
// copy when it spans parts.
template <typename Ends>
class PieceStream {
public:
    template <typename F>
    void feed(std::string_view part, F&& f)
    {
        while (!carry_.empty()) {
            const std::size_t lf = part.find('\n');
            if (lf == std::string_view::npos) {
                carry_ += part;
                return;
            }
            carry_.append(part.data(), lf + 1);
            part.remove_prefix(lf + 1);
            if (Ends::end_piece(carry_)) {
                f(std::string_view(carry_).substr(0, carry_.size() - Ends::size));
                carry_.clear();
            }
        }
        carry_.assign(part.substr(Ends::each_ended(part, f)));
    }
    template <typename F>
    void finish(F&& f)
    {
        if (!carry_.empty())
            f(std::string_view(carry_));
        carry_.clear();
    }

private:
    std::string carry_;
};
using CrlfPieceStream = PieceStream<CrlfEnds>;

// A set of byte strings that all lie inside one text, by open addressing:
// eight bytes a string, no allocation per entry. The text must outlive the
// set and stay where it is, or be given to rebase when it moves.
class SpanSet {
public:
    SpanSet(std::string_view base, std::size_t expected);
    static std::uint32_t hash(std::string_view s) { return static_cast<std::uint32_t>(wide_hash(s)); }
    // The same hash 64 bits wide, for sets that take more of it.
    static std::uint64_t wide_hash(std::string_view s);
    // Asks the processor for the slot a later insert of that hash reads first.
    void prefetch(std::uint32_t hash) const { __builtin_prefetch(&slots_[home(hash)]); }
    // True when s (inside the base) was not in the set yet.
    bool insert(std::string_view s) { return insert(s, hash(s)); }
    bool insert(std::string_view s, std::uint32_t hash);
    // s may lie anywhere.
    bool contains(std::string_view s, std::uint32_t hash) const;
    // The text has moved, its bytes the same: the set follows it.
    void rebase(std::string_view base) { base_ = base.data(); }

private:
    // A slot keeps the string's place and a tag: 15 bits of its hash, which
    // spare most comparisons, and its size, or long_size for the rare string
    // of 64 KB or more, whose size is kept aside. A free slot's tag is 0.
    static constexpr std::uint32_t long_size = 0xFFFF;
    struct Slot {
        std::uint32_t offset = 0;
        std::uint32_t tag = 0;
    };
    static std::uint32_t tag(std::uint32_t hash, std::size_t size)
    {
        return (0x8000 | (hash & 0x7FFF)) << 16 | static_cast<std::uint32_t>(std::min<std::size_t>(size, long_size));
    }
    std::size_t size_of(const Slot& slot) const
    {
        const std::uint32_t size = slot.tag & long_size;
        return size != long_size ? size : long_sizes_.at(slot.offset);
    }
    // The hash scaled onto the slots: any number of them, so that a set sized
    // for its strings is not doubled to a power of two.
    std::size_t home(std::uint32_t hash) const { return static_cast<std::size_t>((std::uint64_t{hash} * slots_.size()) >> 32); }
    std::size_t find(std::string_view s, std::uint32_t hash) const;
    void grow();

    const char* base_;
    std::vector<Slot> slots_;
    std::unordered_map<std::uint32_t, std::uint32_t> long_sizes_; // by offset
    std::size_t count_ = 0;
};

// About how many lines the text holds: its LF bytes plus one.
std::size_t rough_line_count(std::string_view s);

// remove_duplicate_items(list, CR LF) line by line, for a result written
// while it is made: keep is given each line at its first occurrence, in
// order; joined by CR LF they are its result.
template <typename Keep>
void for_each_first_line(std::string_view list, Keep&& keep)
{
    // Each line's slot is asked for a few lines ahead of its turn, so the
    // set's memory is read while earlier lines are still looked up.
    constexpr std::size_t ahead = 8;
    std::pair<std::string_view, std::uint32_t> waiting[ahead];
    std::size_t n = 0;
    SpanSet seen(list, rough_line_count(list));
    for_each_crlf_piece(list, [&](std::string_view item) {
        const std::uint32_t h = SpanSet::hash(item);
        seen.prefetch(h);
        auto& slot = waiting[n++ % ahead];
        if (n > ahead && seen.insert(slot.first, slot.second))
            keep(slot.first);
        slot = {item, h};
    });
    for (std::size_t i = n > ahead ? n - ahead : 0; i < n; ++i)
        if (seen.insert(waiting[i % ahead].first, waiting[i % ahead].second))
            keep(waiting[i % ahead].first);
}

} // namespace fenrow
