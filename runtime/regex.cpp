// The engine is PCRE2 in its 16-bit mode, with the options that give the
// dialect of regex.h: no PCRE2_UCP (ASCII \s, \w, \d, \b), PCRE2_NEWLINE_ANYCRLF,
// PCRE2_UTF with PCRE2_MATCH_INVALID_UTF (lone surrogates match nothing).
#include "runtime/regex.h"

#include "runtime/codepage.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>

namespace fenrow {

namespace {

constexpr std::uint32_t compile_options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ALT_BSUX |
                                          PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF |
                                          PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_CIRCUMFLEX | PCRE2_NEVER_BACKSLASH_C;
constexpr std::uint32_t match_limit = 10'000'000;
constexpr std::uint32_t depth_limit = 10'000'000;
constexpr std::uint32_t heap_limit_kib = 256 * 1024;
constexpr std::size_t jit_stack_max = 64u << 20; // about 2.5 million repetitions of a group

struct CodeFree { void operator()(pcre2_code_16* p) const { pcre2_code_free_16(p); } };
struct MatchDataFree { void operator()(pcre2_match_data_16* p) const { pcre2_match_data_free_16(p); } };
struct MatchContextFree { void operator()(pcre2_match_context_16* p) const { pcre2_match_context_free_16(p); } };
struct JitStackFree { void operator()(pcre2_jit_stack_16* p) const { pcre2_jit_stack_free_16(p); } };
struct CompileContextFree { void operator()(pcre2_compile_context_16* p) const { pcre2_compile_context_free_16(p); } };

bool is_high(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

} // namespace

// One compiled pattern with everything a search needs.
struct Regex::Engine {
    std::unique_ptr<pcre2_code_16, CodeFree> code;
    std::unique_ptr<pcre2_match_data_16, MatchDataFree> data;
    std::unique_ptr<pcre2_match_context_16, MatchContextFree> context;
    std::unique_ptr<pcre2_jit_stack_16, JitStackFree> stack;
    std::uint32_t groups = 0;

    // Calls found(ovector) for every match, or for the first only; false when
    // the engine gave up.
    template <typename Found>
    bool scan(std::u16string_view s, bool all, Found&& found) const
    {
        std::size_t start = 0;
        while (start <= s.size()) {
            const int rc = pcre2_match_16(code.get(), reinterpret_cast<PCRE2_SPTR16>(s.data()), s.size(), start, 0,
                                          data.get(), context.get());
            if (rc == PCRE2_ERROR_NOMATCH)
                return true;
            if (rc < 0)
                return false;
            const PCRE2_SIZE* ov = pcre2_get_ovector_pointer_16(data.get());
            found(ov);
            if (!all)
                return true;
            std::size_t next = std::max<std::size_t>(ov[1], start);
            if (next == ov[0] || next == start) {
                if (next >= s.size())
                    return true;
                next += (is_high(s[next]) && next + 1 < s.size() && is_low(s[next + 1])) ? 2 : 1;
            }
            start = next;
        }
        return true;
    }
};

Regex::Regex(std::unique_ptr<Engine> engine, RegexFlags flags) : engine_(std::move(engine)), flags_(flags) {}
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;
Regex::~Regex() = default;

int Regex::groups() const { return static_cast<int>(engine_->groups); }

std::optional<Regex> regex_compile_utf16(std::u16string_view pattern, RegexFlags flags)
{
    std::unique_ptr<pcre2_compile_context_16, CompileContextFree> cc(pcre2_compile_context_create_16(nullptr));
    if (!cc)
        return std::nullopt;
    pcre2_set_newline_16(cc.get(), PCRE2_NEWLINE_ANYCRLF);
    std::uint32_t options = compile_options;
    if (flags.ignore_case)
        options |= PCRE2_CASELESS;
    if (flags.multiline)
        options |= PCRE2_MULTILINE;
    int error = 0;
    PCRE2_SIZE error_at = 0;
    auto e = std::make_unique<Regex::Engine>();
    e->code.reset(pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(pattern.data()), pattern.size(), options, &error,
                                   &error_at, cc.get()));
    if (!e->code)
        return std::nullopt;
    pcre2_jit_compile_16(e->code.get(), PCRE2_JIT_COMPLETE); // without JIT the interpreter runs
    e->data.reset(pcre2_match_data_create_from_pattern_16(e->code.get(), nullptr));
    e->context.reset(pcre2_match_context_create_16(nullptr));
    e->stack.reset(pcre2_jit_stack_create_16(32 * 1024, jit_stack_max, nullptr));
    if (!e->data || !e->context || !e->stack)
        return std::nullopt;
    pcre2_set_match_limit_16(e->context.get(), match_limit);
    pcre2_set_depth_limit_16(e->context.get(), depth_limit);
    pcre2_set_heap_limit_16(e->context.get(), heap_limit_kib);
    pcre2_jit_stack_assign_16(e->context.get(), nullptr, e->stack.get());
    pcre2_pattern_info_16(e->code.get(), PCRE2_INFO_CAPTURECOUNT, &e->groups);
    return Regex(std::move(e), flags);
}

std::optional<std::vector<std::uint32_t>> regex_offsets_utf16(const Regex& re, std::u16string_view subject,
                                                              bool first_only)
{
    const Regex::Engine& e = re.engine();
    const std::size_t per_match = 2 * (std::size_t{e.groups} + 1);
    std::vector<std::uint32_t> offsets;
    const bool ok = e.scan(subject, re.flags().global && !first_only, [&](const PCRE2_SIZE* ov) {
        for (std::size_t k = 0; k < per_match; ++k)
            offsets.push_back(ov[k] == PCRE2_UNSET ? regex_unset : static_cast<std::uint32_t>(ov[k]));
    });
    if (!ok)
        return std::nullopt;
    return offsets;
}

namespace {

// Appends the replacement with its $ tokens filled in.
void expand(std::u16string_view rep, std::u16string_view s, const PCRE2_SIZE* ov, std::uint32_t groups,
            std::u16string& out)
{
    const auto digit = [](char16_t c) { return c >= u'0' && c <= u'9' ? c - u'0' : -1; };
    const auto group = [&](std::size_t g) {
        if (ov[2 * g] != PCRE2_UNSET)
            out.append(s.substr(ov[2 * g], ov[2 * g + 1] - ov[2 * g]));
    };
    for (std::size_t i = 0; i < rep.size(); ++i) {
        const char16_t c = rep[i];
        if (c != u'$' || i + 1 == rep.size()) {
            out.push_back(c);
            continue;
        }
        const char16_t n = rep[i + 1];
        if (n == u'$') {
            out.push_back(u'$');
        } else if (n == u'&') {
            group(0);
        } else if (n == u'`') {
            out.append(s.substr(0, ov[0]));
        } else if (n == u'\'') {
            out.append(s.substr(std::min<std::size_t>(ov[1], s.size())));
        } else if (const int d1 = digit(n); d1 >= 0) {
            const int d2 = i + 2 < rep.size() ? digit(rep[i + 2]) : -1;
            if (d2 >= 0 && d1 * 10 + d2 >= 1 && static_cast<std::uint32_t>(d1 * 10 + d2) <= groups) {
                group(static_cast<std::size_t>(d1 * 10 + d2));
                i += 2;
                continue;
            }
            if (d1 >= 1 && static_cast<std::uint32_t>(d1) <= groups)
                group(static_cast<std::size_t>(d1));
            else
                out.append(rep.substr(i, 2));
        } else {
            out.push_back(u'$');
            continue;
        }
        ++i;
    }
}

} // namespace

std::optional<std::u16string> regex_replace_utf16(const Regex& re, std::u16string_view subject,
                                                  std::u16string_view replacement)
{
    const Regex::Engine& e = re.engine();
    std::u16string out;
    out.reserve(subject.size());
    std::size_t done = 0;
    const bool ok = e.scan(subject, re.flags().global, [&](const PCRE2_SIZE* ov) {
        out.append(subject.substr(done, ov[0] - done));
        expand(replacement, subject, ov, e.groups, out);
        done = ov[1];
    });
    if (!ok)
        return std::nullopt;
    out.append(subject.substr(done));
    return out;
}

// ---- On the system's text ----

namespace {

// The byte of t at which each unit of its exact UTF-16 form starts, and t's
// length behind the last; the second unit of a pair maps to where its
// character starts. The walk is text_to_utf16_exact's: a byte below 0x80 is
// one unit, a character's own code one unit or a pair, any other byte one
// unit each.
std::vector<int> unit_bytes(std::string_view s)
{
    std::vector<int> at;
    at.reserve(s.size() + 1);
    for (std::size_t i = 0; i < s.size();) {
        at.push_back(static_cast<int>(i));
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const Cp936Char ch = cp936_char_at(s.substr(i));
        if (!ch.exact) {
            for (int k = 1; k < ch.length; ++k)
                at.push_back(static_cast<int>(i) + k);
        } else if (ch.c >= 0x10000) {
            at.push_back(static_cast<int>(i));
        }
        i += static_cast<std::size_t>(ch.length);
    }
    at.push_back(static_cast<int>(s.size()));
    return at;
}

struct Searched {
    std::u16string units;
    std::vector<std::uint32_t> offsets;
    std::vector<int> bytes; // unit_bytes of the subject; empty when nothing matched
};

std::optional<Searched> search(const Regex& re, const Text& subject)
{
    Searched s{text_to_utf16_exact(subject), {}, {}};
    auto offsets = regex_offsets_utf16(re, s.units);
    if (!offsets)
        return std::nullopt;
    s.offsets = std::move(*offsets);
    if (!s.offsets.empty())
        s.bytes = unit_bytes(subject.view());
    return s;
}

RegexSpan span(const Text& subject, const std::vector<int>& bytes, std::uint32_t from, std::uint32_t to)
{
    const int a = bytes[from], b = bytes[std::max(from, to)];
    return {a, Text(subject.view().substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a)))};
}

} // namespace

std::optional<Regex> regex_compile(const Text& pattern, RegexFlags flags)
{
    return regex_compile_utf16(text_to_utf16_exact(pattern), flags);
}

std::optional<std::vector<RegexMatch>> regex_match(const Regex& re, const Text& subject)
{
    const std::optional<Searched> s = search(re, subject);
    if (!s)
        return std::nullopt;
    const std::size_t per_match = 2 * (static_cast<std::size_t>(re.groups()) + 1);
    std::vector<RegexMatch> matches;
    for (std::size_t m = 0; m < s->offsets.size(); m += per_match) {
        const std::uint32_t* ov = s->offsets.data() + m;
        RegexMatch r{span(subject, s->bytes, ov[0], ov[1]), {}};
        for (std::size_t g = 2; g < per_match; g += 2) {
            if (ov[g] == regex_unset)
                r.groups.emplace_back();
            else
                r.groups.push_back(span(subject, s->bytes, ov[g], ov[g + 1]));
        }
        matches.push_back(std::move(r));
    }
    return matches;
}

std::optional<Text> regex_replace(const Regex& re, const Text& subject, const Text& replacement)
{
    const auto out = regex_replace_utf16(re, text_to_utf16_exact(subject), text_to_utf16_exact(replacement));
    if (!out)
        return std::nullopt;
    return text_from_utf16_exact(*out);
}

std::optional<std::vector<Text>> regex_split(const Regex& re, const Text& subject)
{
    const std::optional<Searched> s = search(re, subject);
    if (!s)
        return std::nullopt;
    const std::size_t per_match = 2 * (static_cast<std::size_t>(re.groups()) + 1);
    const std::string_view bytes = subject.view();
    std::vector<Text> pieces;
    std::size_t done = 0;
    for (std::size_t m = 0; m < s->offsets.size(); m += per_match) {
        const std::size_t from = std::max(done, static_cast<std::size_t>(s->bytes[s->offsets[m]]));
        pieces.emplace_back(bytes.substr(done, from - done));
        done = std::max(from, static_cast<std::size_t>(s->bytes[s->offsets[m + 1]]));
    }
    pieces.emplace_back(bytes.substr(done));
    return pieces;
}

} // namespace fenrow
