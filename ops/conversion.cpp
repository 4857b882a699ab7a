#include "ops/conversion.h"

#include "ops/blank_lines.h"
#include "ops/control_names.h"
#include "runtime/line_chunks.h"
#include "runtime/string_fill.h"
#include "runtime/text_routines.h"
#include "runtime/work_pool.h"

#include <charconv>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace fenrow {

namespace {

void append_number(std::string& out, int n)
{
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

// Makes every line of text into out's batches, the results joined by CR LF;
// reread runs at the start of every batch.
template <typename Reread, typename Make>
void in_batches(std::string_view text, ConversionOutput& out, Reread reread, Make make)
{
    std::string batch;
    batch.reserve(out.first_batch_room);
    int in_batch = 0;
    bool first = true;
    for_each_crlf_piece(text, [&](std::string_view piece) {
        if (in_batch == 0)
            reread();
        if (!first)
            batch += crlf;
        first = false;
        make(batch, piece);
        if (++in_batch == out.batch_lines || batch.size() >= out.batch_bytes) {
            out.append(Text(std::move(batch)));
            batch.clear();
            in_batch = 0;
        }
    });
    if (in_batch > 0)
        out.append(Text(std::move(batch)));
}

void add_suffixes(std::string_view text, ConversionOptions& o, ConversionOutput& out)
{
    in_batches(text, out, [&] { out.reread_suffix(o.symbol, o.chars); },
               [&](std::string& batch, std::string_view piece) {
                   batch += piece;
                   batch += o.symbol.view();
                   batch += o.chars.view();
               });
}

// The batches joined: in one batch, which is not moved while it grows.
class Collected : public ConversionOutput {
public:
    explicit Collected(std::size_t room) : ConversionOutput(INT_MAX, SIZE_MAX, room) {}
    void append(Text&& batch) override
    {
        if (text.empty())
            text = std::move(batch);
        else
            text += batch;
    }
    Text text;
};

// On the pool, lists from this size on: below it a thread costs more than it saves.
constexpr std::size_t parallel_from = 4 << 20;
// A round's result is appended whole: on the pool, progress shows every round.
constexpr std::size_t round_bytes = 4 << 20;

// How many digits the numbers first … first + count - 1 take together.
std::size_t digits_of_numbers(std::size_t first, std::size_t count)
{
    std::size_t total = 0, low = 1, digits = 1;
    for (; count > 0; low *= 10, ++digits) {
        const std::size_t high = low * 10; // the first number with one digit more
        if (first >= high)
            continue;
        const std::size_t n = std::min(count, high - first);
        total += n * digits;
        first += n;
        count -= n;
    }
    return total;
}

// What every line of a pass becomes: its number and the prefix if numbered,
// the line, the tail; joined by CR LF, or each followed by one.
struct LineForm {
    bool numbered = false;
    std::string prefix, tail;
    bool each_ended = false;
    // Numbered, then cut anew for the tail: a last line that ends inside a
    // character keeps the CR LF it swallows.
    bool cut_anew = false;
};

struct CountedChunk {
    std::string_view text;
    std::size_t lines = 0, bytes = 0; // its pieces, and their bytes
    std::size_t first_line = 0;       // how many pieces the chunks before it hold
    bool open_end = false;            // its last piece ends inside a character
};

std::size_t made_size(const CountedChunk& c, const LineForm& f)
{
    std::size_t n = c.bytes + c.lines * (f.tail.size() + 2);
    if (f.numbered)
        n += c.lines * f.prefix.size() + digits_of_numbers(c.first_line + 1, c.lines);
    if (!f.each_ended && c.first_line == 0 && c.lines > 0)
        n -= 2; // nothing before the first line
    if (f.cut_anew && c.open_end)
        n += 2;
    return n;
}

void write_made(const CountedChunk& c, const LineForm& f, char* to)
{
    const auto put = [&to](std::string_view s) {
        std::memcpy(to, s.data(), s.size());
        to += s.size();
    };
    std::size_t number = c.first_line;
    for_each_crlf_piece(c.text, [&](std::string_view line) {
        if (!f.each_ended && number > 0)
            put(crlf);
        ++number;
        if (f.numbered) {
            to = std::to_chars(to, to + 24, number).ptr;
            put(f.prefix);
        }
        put(line);
        if (f.cut_anew && c.open_end && line.data() + line.size() == c.text.data() + c.text.size())
            put(crlf);
        put(f.tail);
        if (f.each_ended)
            put(crlf);
    });
}

// A text cut into rounds of about equal size, and each round into chunks for
// the threads, all counted at once.
struct Rounds {
    std::vector<std::vector<CountedChunk>> chunks;
    std::size_t lines = 0; // how many pieces the whole text holds, and those before it

    // lines_before: how many lines stand before the text's first.
    Rounds(WorkPool& pool, std::string_view text, std::size_t lines_before = 0) : lines(lines_before)
    {
        std::vector<CountedChunk*> all;
        for (const std::string_view round : crlf_chunks(text, text.size() / round_bytes)) {
            auto& r = chunks.emplace_back();
            for (const std::string_view c : crlf_chunks(round, 2 * pool.threads()))
                r.push_back({c});
        }
        for (auto& r : chunks)
            for (CountedChunk& c : r)
                all.push_back(&c);
        pool.run(all.size(), [&](std::size_t k) {
            CountedChunk& c = *all[k];
            std::string_view last;
            for_each_crlf_piece(c.text, [&](std::string_view line) {
                ++c.lines;
                c.bytes += line.size();
                last = line;
            });
            c.open_end = last.data() + last.size() == c.text.data() + c.text.size() &&
                         !starts_character(last, 0, last.size());
        });
        for (CountedChunk* c : all) {
            c->first_line = lines;
            lines += c->lines;
        }
    }

    // What the whole text becomes in that form.
    std::size_t made_size(const LineForm& f) const
    {
        std::size_t n = 0;
        for (const auto& r : chunks)
            for (const CountedChunk& c : r)
                n += fenrow::made_size(c, f);
        return n;
    }
};

// The rounds' lines made on the pool, from round `from` on: the form is asked
// for at the start of every round (no form: stop before it), the round's
// chunks are made in place behind what dest holds, then done(dest) sees the
// round. Returns the round it stopped at.
template <typename FormOf, typename Done>
std::size_t make_in_rounds(WorkPool& pool, const Rounds& rounds, std::size_t from, std::string& dest, FormOf form_of,
                           Done done)
{
    for (std::size_t r = from; r < rounds.chunks.size(); ++r) {
        const std::optional<LineForm> f = form_of();
        if (!f)
            return r;
        const std::vector<CountedChunk>& chunks = rounds.chunks[r];
        std::vector<std::size_t> at{dest.size()};
        for (const CountedChunk& c : chunks)
            at.push_back(at.back() + made_size(c, *f));
        grow_and_write(dest, at.back(), [&](char* start) {
            pool.run(chunks.size(), [&](std::size_t k) { write_made(chunks[k], *f, start + (at[k] - at[0])); });
        });
        done(dest);
    }
    return rounds.chunks.size();
}

// Each round appended as one batch, from round `from` on; its buffer kept for
// the next when the output leaves it. Returns the round it stopped at.
template <typename FormOf>
std::size_t append_in_rounds(WorkPool& pool, const Rounds& rounds, std::size_t from, ConversionOutput& out,
                             FormOf form_of)
{
    std::string batch;
    if (out.batch_lines == INT_MAX && out.batch_bytes == SIZE_MAX) {
        // An output that takes the result whole gets it whole, in the room it asks for.
        batch.reserve(out.first_batch_room);
        const std::size_t stop = make_in_rounds(pool, rounds, from, batch, form_of, [](std::string&) {});
        if (!batch.empty())
            out.append(Text(std::move(batch)));
        return stop;
    }
    return make_in_rounds(pool, rounds, from, batch, form_of, [&](std::string& made) {
        if (made.empty())
            return;
        Text t(std::move(made));
        out.append(std::move(t));
        made = t.take();
        made.clear();
    });
}

// Whether the lines numbered with this prefix are cut again where the list's
// lines were: no CR or LF in it, and it ends where a character ends, so that
// it takes no byte of the line with it.
bool cut_as_the_list(std::string_view prefix)
{
    return prefix.find_first_of("\r\n") == std::string_view::npos && starts_character(prefix, 0, prefix.size());
}

void convert_on(WorkPool& pool, std::shared_ptr<const Text> list, ConversionOptions& o, ConversionOutput& out)
{
    const Rounds rounds(pool, list->view());
    const auto numbered = [&o, &out](bool each_ended) {
        return [&o, &out, each_ended] {
            out.reread_prefix(o.prefix);
            return std::optional<LineForm>(LineForm{true, o.prefix.str(), {}, each_ended});
        };
    };
    const auto suffixed = [&o, &out] {
        out.reread_suffix(o.symbol, o.chars);
        return std::optional<LineForm>(LineForm{false, {}, o.symbol.str() + o.chars.str(), false});
    };
    const auto expect = [&](const LineForm& f) { out.expect(rounds.made_size(f)); };
    if (o.numbering && !o.suffix) {
        expect(LineForm{true, o.prefix.str(), {}, false});
        append_in_rounds(pool, rounds, 0, out, numbered(false));
    } else if (o.suffix && !o.numbering) {
        expect(LineForm{false, {}, o.symbol.str() + o.chars.str(), false});
        append_in_rounds(pool, rounds, 0, out, suffixed);
    } else if (o.suffix && o.numbering) {
        // The numbered text is cut anew for its suffixes. While the prefix
        // leaves the cuts where they are, a line is numbered and suffixed at once.
        const auto both = [&o, &out]() -> std::optional<LineForm> {
            out.reread_prefix(o.prefix);
            if (!cut_as_the_list(o.prefix.view()))
                return std::nullopt;
            out.reread_suffix(o.symbol, o.chars);
            return LineForm{true, o.prefix.str(), o.symbol.str() + o.chars.str(), false, true};
        };
        expect(LineForm{true, o.prefix.str(), o.symbol.str() + o.chars.str(), false, true});
        const std::size_t stop = append_in_rounds(pool, rounds, 0, out, both);
        if (stop == rounds.chunks.size())
            return;
        // The rest as on one thread: numbered whole first, then cut anew.
        // Whatever is shown stays; numbers go on where they stopped.
        const std::size_t done_lines = rounds.chunks[stop].front().first_line;
        const std::string_view rest = list->view().substr(
            static_cast<std::size_t>(rounds.chunks[stop].front().text.data() - list->view().data()));
        std::string text;
        text.reserve(rest.size() + rest.size() / 2);
        bool first = true;
        make_in_rounds(pool, rounds, stop, text, [&] {
            // The prefix read by the round that stopped is this round's.
            if (!first)
                out.reread_prefix(o.prefix);
            first = false;
            return std::optional<LineForm>(LineForm{true, o.prefix.str(), {}, true});
        }, [](std::string&) {});
        list.reset();
        if (stop == 0)
            out.restart();
        // Behind lines already shown, the first of the rest starts with a CR LF.
        const Rounds renumbered(pool, text, done_lines);
        append_in_rounds(pool, renumbered, 0, out, suffixed);
    }
}

} // namespace

void convert_lines(std::shared_ptr<const Text> list, ConversionOptions o, ConversionOutput& out, WorkPool* pool)
{
    if (pool != nullptr && pool->threads() > 1 && list->view().size() >= parallel_from) {
        convert_on(*pool, std::move(list), o, out);
        return;
    }
    if (o.numbering && !o.suffix) {
        int i = 0;
        in_batches(list->view(), out, [&] { out.reread_prefix(o.prefix); },
                   [&](std::string& batch, std::string_view line) {
                       append_number(batch, ++i);
                       batch += o.prefix.view();
                       batch += line;
                   });
    } else if (o.suffix && !o.numbering) {
        add_suffixes(list->view(), o, out);
    } else if (o.suffix && o.numbering) {
        // The numbered text is built whole first; only the suffix pass
        // shows. It is cut into lines anew, as the suffix pass sees it.
        std::string numbered;
        numbered.reserve(list->view().size() + list->view().size() / 4);
        int n = 0;
        for_each_crlf_piece(list->view(), [&](std::string_view line) {
            if (n % out.batch_lines == 0)
                out.reread_prefix(o.prefix);
            append_number(numbered, ++n);
            numbered += o.prefix.view();
            numbered += line;
            numbered += crlf;
        });
        list.reset(); // a long list is held three times over otherwise
        out.restart();
        add_suffixes(Text(std::move(numbered)).view(), o, out);
    }
}

bool conversion_needs_cleaning(std::string_view result, WorkPool* pool)
{
    return result.starts_with(crlf) || holds_blank_lines(result, pool);
}

Text clean_conversion(Text&& result)
{
    // The CR LF behind it would only be cut off again: cut the front alone.
    return remove_blank_lines(std::move(result), true);
}

Text convert(std::shared_ptr<const Text> list, const ConversionOptions& options, WorkPool* pool)
{
    // Room for twice the list: pages never written cost nothing.
    Collected out(2 * list->view().size());
    convert_lines(std::move(list), options, out, pool);
    if (!conversion_needs_cleaning(out.text.view(), pool))
        return std::move(out.text);
    return clean_conversion(std::move(out.text));
}

void ConversionInParts::add_suffixed(std::string_view line, std::string& out)
{
    if (!first_)
        out += crlf;
    first_ = false;
    out += line;
    out += o_.symbol.view();
    out += o_.chars.view();
}

void ConversionInParts::add(std::string_view part, std::string& out)
{
    if (o_.numbering && !o_.suffix) {
        for_each_crlf_piece(part, [&](std::string_view line) {
            if (!first_)
                out += crlf;
            first_ = false;
            append_number(out, ++number_);
            out += o_.prefix.view();
            out += line;
        });
    } else if (o_.suffix && !o_.numbering) {
        for_each_crlf_piece(part, [&](std::string_view line) { add_suffixed(line, out); });
    } else if (o_.suffix && o_.numbering) {
        // As convert_lines: the numbered lines, each ending in CR LF, cut anew.
        numbered_.clear();
        for_each_crlf_piece(part, [&](std::string_view line) {
            append_number(numbered_, ++number_);
            numbered_ += o_.prefix.view();
            numbered_ += line;
            numbered_ += crlf;
        });
        renumbered_.feed(numbered_, [&](std::string_view line) { add_suffixed(line, out); });
    }
}

void ConversionInParts::finish(std::string& out)
{
    renumbered_.finish([&](std::string_view line) { add_suffixed(line, out); });
}

} // namespace fenrow
