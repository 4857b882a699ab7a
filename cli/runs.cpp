#include "cli/cli.h"

#include "cli/arguments.h"
#include "cli/lists.h"
#include "ops/blank_lines.h"
#include "ops/duplicates.h"
#include "ops/list_tools.h"
#include "runtime/codepage.h"
#include "runtime/sse2.h"
#include "runtime/text_routines.h"
#include "runtime/work_pool.h"

#include <emmintrin.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace fenrow {

namespace {

// The command line's threads for the engines, made on first use.
WorkPool& pool()
{
    static WorkPool threads;
    return threads;
}

// The lists are the run's: each is lent to its engine and the result moved
// out, so that a list is never held twice.

CliRun run_number(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(convert(std::make_shared<const Text>(std::move(lists[0])), r.number, &pool()));
}

CliRun run_suffix(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(mark_groups(lists[0], r.suffix, {}, &pool()));
}

CliRun run_extract(const CliRequest& r, std::vector<Text>& lists, const CliSay& say)
{
    Extraction e = extract(lists[0], r.extract, &pool());
    if (e.message)
        say(*e.message);
    return CliRun(std::move(e.list), e.done);
}

CliRun run_blank(const CliRequest&, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(remove_blank_lines(std::move(lists[0])));
}

CliRun run_dedupe(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    if (r.compare.normalised())
        return CliRun(dedupe_lines(lists[0].view(), r.compare));
    return CliRun(remove_duplicate_items(lists[0], Text(crlf), &pool()));
}

CliRun run_pick(const CliRequest&, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(pick_missing(lists[0].view(), lists[1].view(), {}, &pool()));
}

// The list tools.

CliRun run_dupes(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(duplicate_lines(lists[0].view(), r.compare));
}

CliRun run_count(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(count_lines(lists[0].view(), r.compare));
}

CliRun run_intersect(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(intersect_lines(lists[0].view(), lists[1].view(), r.compare));
}

CliRun run_union(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(merge_lines(lists[0].view(), lists[1].view(), r.compare));
}

CliRun run_only(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(only_lines(lists[0].view(), lists[1].view(), r.compare));
}

CliRun run_filter(const CliRequest& r, std::vector<Text>& lists, const CliSay& say)
{
    Filtered f = filter_lines(lists[0].view(), r.filter);
    if (f.message)
        say(*f.message);
    return CliRun(std::move(f.list), f.done);
}

CliRun run_sort(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(sort_lines(lists[0].view(), r.sort));
}

CliRun run_shuffle(const CliRequest& r, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(shuffle_lines(lists[0].view(), shuffle_seed(r)));
}

CliRun run_trim(const CliRequest&, std::vector<Text>& lists, const CliSay&)
{
    return CliRun(trim_lines(lists[0].view()));
}

// What is left of the list once accounts were taken off it: the list itself,
// moved out, when none were.
Text left_over(AccountList&& taken, std::shared_ptr<Text>&& list)
{
    if (taken.changed())
        return taken.content();
    taken = AccountList();
    return list.use_count() == 1 ? std::move(*list) : *list;
}

// The files written; the accounts left over are the result.
CliRun run_generate(const CliRequest& r, std::vector<Text>& lists, const CliSay& say)
{
    auto list = std::make_shared<Text>(std::move(lists[0]));
    GenerateOptions o = r.generate;
    if (r.existing != CliRequest::Existing::overwrite) {
        const ExistingFiles existing = existing_files(*list, o);
        if (!existing.names.empty() && r.existing == CliRequest::Existing::refuse) {
            say({"文本“"_t + existing.names[0] + "”已存在（共 "_t + txt_from_int(static_cast<int32_t>(existing.names.size())) +
                     " 个同名文件），未生成：加 --overwrite 覆盖，或 --continue 接着最大的编号生成"_t,
                 "提示！"_t});
            return CliRun(Text(), false);
        }
        if (!existing.names.empty())
            o.first_number = existing.highest + 1;
    }
    GenerateHooks hooks;
    hooks.tell = [&say](const Message& m, const AccountList&) { say(m); };
    Generation g = generate_files(list, std::move(o), hooks);
    if (g.message)
        say(*g.message);
    return CliRun(left_over(std::move(g.list), std::move(list)), g.done);
}

// One block, as generate takes each file's: its text is the result.
CliRun run_split(const CliRequest& r, std::vector<Text>& lists, const CliSay& say)
{
    auto list = std::make_shared<Text>(std::move(lists[0]));
    AccountList accounts(list);
    BlockOptions o = r.generate.block;
    o.count = txt_to_int(r.generate.count);
    AccountList::Block b = accounts.take(o);
    if (b.message)
        say(*b.message);
    CliRun run(std::move(b.text), b.done);
    if (r.rest)
        run.rest = left_over(std::move(accounts), std::move(list));
    return run;
}

// The streamed runs: the same engines over the list a run of lines at a
// time, their results written as they come instead of held whole.

// What space, tab, LF, VT, FF and CR are to remove_blank_lines.
bool blank_byte(char b) { return b == ' ' || (b >= '\t' && b <= '\r'); }

// Just behind the last LF of text followed by a byte other than a blank, at or
// after checked, which no run of blank lines spans; 0 when there is none.
std::size_t last_cut(std::string_view text, std::size_t checked)
{
    if (text.empty())
        return 0;
    for (std::size_t at = text.size() - 1; at >= std::max<std::size_t>(checked, 1); --at)
        if (text[at - 1] == '\n' && !blank_byte(text[at]))
            return at;
    return 0;
}

// remove_blank_lines over a text given in parts: the parts it keeps handed on
// as soon as no later byte can change them.
class BlankLineCleaner {
public:
    explicit BlankLineCleaner(std::function<void(std::string_view)> keep) : keep_(std::move(keep)) {}
    // Where the text's next bytes go.
    std::string& text() { return text_; }
    // Hands on what is cleaned for good: up to an LF followed by a byte
    // other than a blank, which no run of blank lines spans.
    void drain()
    {
        if (text_.size() < stream_block())
            return;
        const std::size_t cut = last_cut(text_, checked_);
        if (cut > 0) {
            for_each_kept_part(std::string_view(text_).substr(0, cut), keep_, !started_, false);
            started_ = true;
            text_.erase(0, cut);
        }
        checked_ = text_.size();
    }
    void finish()
    {
        for_each_kept_part(text_, keep_, !started_, true);
        text_.clear();
    }

private:
    std::function<void(std::string_view)> keep_;
    std::string text_;
    std::size_t checked_ = 0; // the bytes before it hold no cut
    bool started_ = false;    // the text's start is handed on
};

// Calls f with the lines of the list cleaned of blank lines, as
// for_each_crlf_piece cuts the cleaned list.
template <typename F>
void for_each_cleaned_line(ListSource& list, F&& f)
{
    CrlfPieceStream lines;
    BlankLineCleaner cleaned([&](std::string_view part) { lines.feed(part, f); });
    list.for_each_chunk([&](std::string_view chunk) {
        cleaned.text() += chunk;
        cleaned.drain();
        return true;
    });
    cleaned.finish();
    lines.finish(f);
}

// The first LF from `from` on with a blank behind it, sixteen bytes at a time:
// the lines are short, and nearly none is followed by a blank one.
FENROW_SSE2 std::size_t lf_before_blank(std::string_view s, std::size_t from)
{
    const char* p = s.data();
    const __m128i lf = _mm_set1_epi8('\n'), space = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t'), four = _mm_set1_epi8(4);
    std::size_t i = from;
    for (; i + 17 <= s.size(); i += 16) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const __m128i from_tab = _mm_sub_epi8(next, tab); // tab to CR: 0 to 4
        const __m128i blank = _mm_or_si128(_mm_cmpeq_epi8(next, space), _mm_cmpeq_epi8(_mm_min_epu8(from_tab, four), from_tab));
        if (const int hits = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, lf), blank)))
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
    }
    for (; i + 1 < s.size(); ++i) {
        if (p[i] == '\n' && blank_byte(p[i + 1]))
            return i;
    }
    return std::string_view::npos;
}

// The runs below work on a file without a CR and write LF line ends: they
// do to its bytes what the engines do to the list with CR LF line ends, each
// CR LF read as an LF, skipping the line ends' conversion there and back.

// Whether the option texts keep that reading: none holds a CR or an LF.
bool lf_safe(std::initializer_list<std::string_view> texts)
{
    return std::ranges::none_of(texts, [](std::string_view t) { return t.find_first_of("\r\n") != std::string_view::npos; });
}

// The list of such a file in parts, in order: its bytes without the line end
// that closes its last line.
template <typename F>
void for_each_lf_part(ListSource& list, ListWriter& out, F&& f)
{
    bool held = false; // an LF behind the last part, the file's end if nothing follows
    list.for_each_file_block([&](std::string_view block) {
        if (held)
            f(std::string_view("\n"));
        held = block.ends_with('\n');
        f(held ? block.substr(0, block.size() - 1) : block);
        return !out.failed();
    });
}

// The lines of the list as for_each_crlf_piece cuts it with CR LF line ends:
// an LF ends one where a character starts.
template <typename F>
std::size_t for_each_ended_lf_piece(std::string_view s, F&& f)
{
    std::size_t piece = 0;
    for (std::size_t from = 0; from < s.size();) {
        const void* hit = std::memchr(s.data() + from, '\n', s.size() - from);
        if (hit == nullptr)
            break;
        const std::size_t p = static_cast<std::size_t>(static_cast<const char*>(hit) - s.data());
        from = p + 1;
        if (starts_character(s, piece, p)) {
            f(s.substr(piece, p - piece));
            piece = from;
        }
    }
    return piece;
}

// Lines ended by LF, cut where a character starts.
struct LfEnds {
    static constexpr std::size_t size = 1;
    static bool end_piece(std::string_view s) { return starts_character(s, 0, s.size() - 1); }
    template <typename F>
    static std::size_t each_ended(std::string_view s, F&& f)
    {
        return for_each_ended_lf_piece(s, f);
    }
};
using LfPieceStream = PieceStream<LfEnds>;

// BlankLineCleaner over LF line ends. A run remove_blank_lines deletes, from
// an LF through the CR of the last CR LF of blanks behind it, is here the LF
// up to that last LF.
class LfBlankCleaner {
public:
    explicit LfBlankCleaner(std::function<void(std::string_view)> keep) : keep_(std::move(keep)) {}
    void add(std::string_view part)
    {
        text_ += part;
        if (text_.size() < stream_block())
            return;
        const std::size_t cut = last_cut(text_, checked_);
        if (cut > 0) {
            clean(std::string_view(text_).substr(0, cut), false);
            text_.erase(0, cut);
        }
        checked_ = text_.size();
    }
    void finish()
    {
        clean(text_, true);
        text_.clear();
    }

private:
    void clean(std::string_view s, bool end)
    {
        if (!started_ && s.starts_with('\n'))
            s.remove_prefix(1);
        if (end && s.ends_with('\n'))
            s.remove_suffix(1);
        started_ = true;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < s.size();) {
            const std::size_t lf = lf_before_blank(s, i);
            if (lf == std::string_view::npos)
                break;
            std::size_t to = lf + 1, last_lf = 0;
            for (; to < s.size() && blank_byte(s[to]); ++to) {
                if (s[to] == '\n')
                    last_lf = to;
            }
            if (last_lf != 0) {
                keep_(s.substr(kept, lf - kept));
                kept = last_lf;
            }
            i = last_lf != 0 ? last_lf : to;
        }
        keep_(s.substr(kept));
    }

    std::function<void(std::string_view)> keep_;
    std::string text_;
    std::size_t checked_ = 0;
    bool started_ = false;
};

std::optional<CliStream> stream_number(const CliRequest& r, ListSource& list, std::vector<Text>&)
{
    return CliStream([&r, &list](ListWriter& out) {
        const ConversionOptions& o = r.number;
        if (list.lf_only() && out.takes_lf() && lf_safe({o.prefix.view(), o.symbol.view(), o.chars.view()})) {
            // ConversionInParts over LF line ends.
            LfBlankCleaner cleaned([&out](std::string_view part) { out.add_lf(part); });
            LfPieceStream lines, renumbered;
            std::string made, numbered;
            bool first = true;
            int number = 0;
            const auto suffixed = [&](std::string_view line) {
                if (!first)
                    made += '\n';
                first = false;
                made += line;
                made += o.symbol.view();
                made += o.chars.view();
            };
            const auto line = [&](std::string_view l) {
                char digits[16];
                if (o.numbering && !o.suffix) {
                    if (!first)
                        made += '\n';
                    first = false;
                    made.append(digits, std::to_chars(digits, digits + sizeof digits, ++number).ptr);
                    made += o.prefix.view();
                    made += l;
                } else if (o.suffix && !o.numbering) {
                    suffixed(l);
                } else if (o.suffix && o.numbering) {
                    numbered.append(digits, std::to_chars(digits, digits + sizeof digits, ++number).ptr);
                    numbered += o.prefix.view();
                    numbered += l;
                    numbered += '\n';
                }
            };
            for_each_lf_part(list, out, [&](std::string_view part) {
                lines.feed(part, line);
                renumbered.feed(numbered, suffixed);
                numbered.clear();
                cleaned.add(made);
                made.clear();
            });
            lines.finish(line);
            renumbered.feed(numbered, suffixed);
            renumbered.finish(suffixed);
            made += '\n'; // convert cleans its lines given a line end behind the last
            cleaned.add(made);
            cleaned.finish();
            return;
        }
        ConversionInParts conversion(r.number);
        BlankLineCleaner cleaned([&out](std::string_view part) { out.add(part); });
        list.for_each_chunk([&](std::string_view chunk) {
            conversion.add(chunk, cleaned.text());
            cleaned.drain();
            return !out.failed();
        });
        conversion.finish(cleaned.text());
        cleaned.text() += crlf; // convert cleans its lines given a line end behind the last
        cleaned.finish();
    });
}

std::optional<CliStream> stream_suffix(const CliRequest& r, ListSource& list, std::vector<Text>&)
{
    return CliStream([&r, &list](ListWriter& out) {
        GroupMarks marks(r.suffix);
        if (list.lf_only() && out.takes_lf() && lf_safe({r.suffix.symbol.view()})) {
            LfBlankCleaner result([&out](std::string_view part) { out.add_lf(part); });
            std::string made;
            const auto line = [&](std::string_view l) {
                if (GroupMarks::is_account(l)) {
                    marks.add(l, made);
                    made.erase(made.size() - 2, 1); // its CR LF an LF
                }
            };
            LfPieceStream lines;
            LfBlankCleaner cleaned([&](std::string_view part) { lines.feed(part, line); });
            for_each_lf_part(list, out, [&](std::string_view part) {
                cleaned.add(part);
                result.add(made);
                made.clear();
            });
            cleaned.finish();
            lines.finish(line);
            result.add(made);
            result.finish();
            return;
        }
        BlankLineCleaner cleaned([&out](std::string_view part) { out.add(part); });
        for_each_cleaned_line(list, [&](std::string_view line) {
            if (GroupMarks::is_account(line)) {
                marks.add(line, cleaned.text());
                cleaned.drain();
            }
        });
        cleaned.finish();
    });
}

std::optional<CliStream> stream_extract(const CliRequest& r, ListSource& list, std::vector<Text>&)
{
    // Refused unless both markers stand in the list (then run whole, which
    // says so). A marker without a line feed lies inside one run of lines.
    const auto lf = [](const Text& marker) { return marker.view().find('\n') != std::string_view::npos; };
    if (lf(r.extract.head) || lf(r.extract.tail))
        return std::nullopt;
    bool head = false, tail = false;
    list.for_each_chunk([&](std::string_view chunk) {
        head = head || find_from(chunk, r.extract.head.view(), 0, false) != std::string_view::npos;
        tail = tail || find_from(chunk, r.extract.tail.view(), 0, false) != std::string_view::npos;
        return !(head && tail);
    });
    if (!head || !tail)
        return std::nullopt;
    return CliStream([&r, &list](ListWriter& out) {
        const Text h = with_quotes(r.extract.head), t = with_quotes(r.extract.tail);
        std::string part;
        if (list.lf_only() && out.takes_lf() && lf_safe({h.view(), t.view()})) {
            LfPieceStream lines;
            const auto line = [&](std::string_view l) {
                part += text_between_view(l, h.view(), t.view(), 0, true);
                part += '\n';
            };
            for_each_lf_part(list, out, [&](std::string_view p) {
                lines.feed(p, line);
                out.add_lf(part);
                part.clear();
            });
            lines.finish(line);
            out.add_lf(part);
            return;
        }
        list.for_each_chunk([&](std::string_view chunk) {
            for_each_crlf_piece(chunk, [&](std::string_view line) {
                part += text_between_view(line, h.view(), t.view(), 0, true);
                part += crlf;
            });
            out.add(part);
            part.clear();
            return !out.failed();
        });
    });
}

std::optional<CliStream> stream_blank(const CliRequest&, ListSource& list, std::vector<Text>&)
{
    return CliStream([&list](ListWriter& out) {
        if (list.lf_only() && out.takes_lf()) {
            LfBlankCleaner cleaned([&out](std::string_view part) { out.add_lf(part); });
            for_each_lf_part(list, out, [&](std::string_view part) { cleaned.add(part); });
            cleaned.finish();
            return;
        }
        BlankLineCleaner cleaned([&out](std::string_view part) { out.add(part); });
        list.for_each_chunk([&](std::string_view chunk) {
            cleaned.text() += chunk;
            cleaned.drain();
            return !out.failed();
        });
        cleaned.finish();
    });
}

// The set needs the list whole: only the result is written as it comes.
std::optional<CliStream> stream_dedupe(const CliRequest& r, ListSource&, std::vector<Text>& lists)
{
    if (r.compare.normalised())
        return std::nullopt; // run whole
    return CliStream([&lists](ListWriter& out) {
        std::string part;
        bool first = true;
        for_each_first_line(lists[0].view(), [&](std::string_view line) {
            if (!first)
                part += crlf;
            first = false;
            part += line;
            if (part.size() >= stream_block()) {
                out.add(part);
                part.clear();
            }
        });
        out.add(part);
    });
}

std::optional<CliStream> stream_pick(const CliRequest&, ListSource& list, std::vector<Text>& lists)
{
    return CliStream([&list, &lists](ListWriter& out) {
        const MissingLines missing(lists[1].view());
        lists[1] = Text(); // its keys are all the run needs of it
        std::string part;
        list.for_each_chunk([&](std::string_view chunk) {
            missing.pick(chunk, part);
            out.add(part);
            part.clear();
            return !out.failed();
        });
    });
}

constexpr std::array operations{
    CliOperation{"number", ctl::convert_button, 1, run_number, stream_number, true},
    CliOperation{"suffix", ctl::mark_button, 1, run_suffix, stream_suffix, true},
    CliOperation{"extract", ctl::extract_button, 1, run_extract, stream_extract, true},
    CliOperation{"blank", ctl::blank_button, 1, run_blank, stream_blank, true},
    CliOperation{"dedupe", ctl::dedupe_button, 1, run_dedupe, stream_dedupe, false},
    CliOperation{"pick", ctl::pick_button, 2, run_pick, stream_pick, true},
    CliOperation{"generate", ctl::generate_button, 1, run_generate, nullptr, false},
    CliOperation{"split", ctl::generate_button, 1, run_split, nullptr, false},
    CliOperation{"dupes", std::nullopt, 1, run_dupes, nullptr, false, ListTool::dupes},
    CliOperation{"count", std::nullopt, 1, run_count, nullptr, false, ListTool::count},
    CliOperation{"intersect", std::nullopt, 2, run_intersect, nullptr, false, ListTool::intersect},
    CliOperation{"union", std::nullopt, 2, run_union, nullptr, false, ListTool::merge},
    CliOperation{"only", std::nullopt, 2, run_only, nullptr, false, ListTool::only},
    CliOperation{"filter", std::nullopt, 1, run_filter, nullptr, false, ListTool::keep_containing},
    CliOperation{"sort", std::nullopt, 1, run_sort, nullptr, false, ListTool::sort},
    CliOperation{"shuffle", std::nullopt, 1, run_shuffle, nullptr, false, ListTool::shuffle},
    CliOperation{"trim", std::nullopt, 1, run_trim, nullptr, false, ListTool::trim},
};

} // namespace

std::span<const CliOperation> cli_operations() { return operations; }

} // namespace fenrow
