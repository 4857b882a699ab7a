// "VBScript.RegExp": regular expressions over UTF-16 texts, run by PCRE2 in its
// 16-bit mode with options that give the ECMAScript-like dialect callers expect:
// - \s is exactly space, tab, LF, VT, FF and CR (no PCRE2_UCP, so neither the
//   full-width space nor NBSP), \w, \d and \b are ASCII;
// - lines end at CR, LF or CR LF (PCRE2_NEWLINE_ANYCRLF): "." matches neither
//   CR nor LF, and with Multiline "^" and "$" match at those line ends, "^"
//   also behind a final one; without Multiline "$" matches only at the very end;
// - \uhhhh and \xhh escapes, "[]" and "[^]", and a back reference to a group
//   that has not matched matches the empty text;
// - texts are UTF-16 (PCRE2_UTF): a surrogate pair is one character and never
//   split; code units that form no character (bytes of the caller's text that
//   form none) match nothing, not even "."; case folding covers all letters;
// - FirstIndex and Length count UTF-16 code units.
// The engine gives up cleanly on runaway patterns: match, depth and heap
// limits, and a bounded JIT stack; a gave-up search is a failed call.
#include "runtime/components.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace fenrow {
namespace {

constexpr std::uint32_t compile_options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_ALT_BSUX |
                                          PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF |
                                          PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_CIRCUMFLEX | PCRE2_NEVER_BACKSLASH_C;
constexpr std::uint32_t match_limit = 10'000'000;
constexpr std::uint32_t depth_limit = 10'000'000;
constexpr std::uint32_t heap_limit_kib = 256 * 1024;
constexpr std::size_t jit_stack_max = 64u << 20; // about 2.5 million repetitions of a group
constexpr std::uint32_t unset = 0xFFFFFFFFu;

struct CodeFree { void operator()(pcre2_code_16* p) const { pcre2_code_free_16(p); } };
struct MatchDataFree { void operator()(pcre2_match_data_16* p) const { pcre2_match_data_free_16(p); } };
struct MatchContextFree { void operator()(pcre2_match_context_16* p) const { pcre2_match_context_free_16(p); } };
struct JitStackFree { void operator()(pcre2_jit_stack_16* p) const { pcre2_jit_stack_free_16(p); } };

bool is_high(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// One compiled pattern with everything a search needs.
class Compiled {
public:
    // nullptr when the engine rejects the pattern.
    static std::unique_ptr<Compiled> make(const std::u16string& pattern, bool ignore_case, bool multiline)
    {
        struct ContextFree { void operator()(pcre2_compile_context_16* p) const { pcre2_compile_context_free_16(p); } };
        std::unique_ptr<pcre2_compile_context_16, ContextFree> cc(pcre2_compile_context_create_16(nullptr));
        if (!cc)
            return nullptr;
        pcre2_set_newline_16(cc.get(), PCRE2_NEWLINE_ANYCRLF);
        std::uint32_t options = compile_options;
        if (ignore_case)
            options |= PCRE2_CASELESS;
        if (multiline)
            options |= PCRE2_MULTILINE;
        int error = 0;
        PCRE2_SIZE error_at = 0;
        auto c = std::make_unique<Compiled>();
        c->code_.reset(pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(pattern.data()), pattern.size(), options,
                                        &error, &error_at, cc.get()));
        if (!c->code_)
            return nullptr;
        pcre2_jit_compile_16(c->code_.get(), PCRE2_JIT_COMPLETE); // without JIT the interpreter runs
        c->data_.reset(pcre2_match_data_create_from_pattern_16(c->code_.get(), nullptr));
        c->context_.reset(pcre2_match_context_create_16(nullptr));
        c->stack_.reset(pcre2_jit_stack_create_16(32 * 1024, jit_stack_max, nullptr));
        if (!c->data_ || !c->context_ || !c->stack_)
            return nullptr;
        pcre2_set_match_limit_16(c->context_.get(), match_limit);
        pcre2_set_depth_limit_16(c->context_.get(), depth_limit);
        pcre2_set_heap_limit_16(c->context_.get(), heap_limit_kib);
        pcre2_jit_stack_assign_16(c->context_.get(), nullptr, c->stack_.get());
        std::uint32_t groups = 0;
        pcre2_pattern_info_16(c->code_.get(), PCRE2_INFO_CAPTURECOUNT, &groups);
        c->groups = groups;
        return c;
    }

    // Calls found(ovector) for every match, or for the first only; false when
    // the engine gave up. After an empty match the search goes on one
    // character further, as the dialect does.
    template <typename Found>
    bool scan(std::u16string_view s, bool all, Found&& found) const
    {
        std::size_t start = 0;
        while (start <= s.size()) {
            const int rc = pcre2_match_16(code_.get(), reinterpret_cast<PCRE2_SPTR16>(s.data()), s.size(), start, 0,
                                          data_.get(), context_.get());
            if (rc == PCRE2_ERROR_NOMATCH)
                return true;
            if (rc < 0)
                return false;
            const PCRE2_SIZE* ov = pcre2_get_ovector_pointer_16(data_.get());
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

    std::uint32_t groups = 0; // capturing groups

private:
    std::unique_ptr<pcre2_code_16, CodeFree> code_;
    std::unique_ptr<pcre2_match_data_16, MatchDataFree> data_;
    std::unique_ptr<pcre2_match_context_16, MatchContextFree> context_;
    std::unique_ptr<pcre2_jit_stack_16, JitStackFree> stack_;
};

// What Execute found, shared by the collection and the objects taken from it.
struct Results {
    std::u16string subject;
    std::uint32_t groups = 0;
    std::vector<std::uint32_t> offsets; // per match, start and end of the match and of each group
    std::size_t per_match() const { return 2 * (std::size_t{groups} + 1); }
    std::size_t count() const { return offsets.size() / per_match(); }
    const std::uint32_t* match(std::size_t i) const { return offsets.data() + i * per_match(); }
    std::u16string piece(std::uint32_t from, std::uint32_t to) const { return subject.substr(from, to - from); }
};

int item_index(const Variant& v, std::size_t count, std::size_t& out)
{
    if (!is_scalar(v, VarType::i4))
        return result_type_mismatch;
    if (v.integer() < 0 || static_cast<std::size_t>(v.integer()) >= count)
        return result_exception; // an index outside the collection fails the call
    out = static_cast<std::size_t>(v.integer());
    return 0;
}

template <typename C>
AutomationObject child(const Component& parent, std::shared_ptr<C> c)
{
    c->owner = parent.owner;
    return AutomationObject(std::move(c));
}

class SubMatches : public Component {
public:
    SubMatches(std::shared_ptr<const Results> r, std::size_t match) : r_(std::move(r)), match_(match) {}

    std::span<const Member> members() const override
    {
        static const std::vector<Member> table = {
            entry("Count", invoke_get, {}, 0, &SubMatches::count),
            entry("Item", invoke_get, {VarType::i4}, 0, &SubMatches::item),
        };
        return table;
    }

private:
    int count(Args, Variant& r)
    {
        r = Variant::of_i4(static_cast<std::int32_t>(r_->groups));
        return 0;
    }
    // A group that took part in no match gives the empty variant.
    int item(Args a, Variant& r)
    {
        std::size_t i = 0;
        if (const int rc = item_index(a[0], r_->groups, i); rc != 0)
            return rc;
        const std::uint32_t* m = r_->match(match_) + 2 * (i + 1);
        r = m[0] == unset ? Variant() : Variant::of_bstr(r_->piece(m[0], m[1]));
        return 0;
    }

    std::shared_ptr<const Results> r_;
    std::size_t match_;
};

class Match : public Component {
public:
    Match(std::shared_ptr<const Results> r, std::size_t match) : r_(std::move(r)), match_(match) {}

    std::span<const Member> members() const override
    {
        static const std::vector<Member> table = {
            entry("Value", invoke_get, {}, 0, &Match::value),
            entry("FirstIndex", invoke_get, {}, 0, &Match::first_index),
            entry("Length", invoke_get, {}, 0, &Match::length),
            entry("SubMatches", invoke_get, {}, 0, &Match::submatches),
        };
        return table;
    }

private:
    const std::uint32_t* m() const { return r_->match(match_); }
    int value(Args, Variant& r)
    {
        r = Variant::of_bstr(r_->piece(m()[0], m()[1]));
        return 0;
    }
    int first_index(Args, Variant& r)
    {
        r = Variant::of_i4(static_cast<std::int32_t>(m()[0]));
        return 0;
    }
    int length(Args, Variant& r)
    {
        r = Variant::of_i4(static_cast<std::int32_t>(m()[1] - m()[0]));
        return 0;
    }
    int submatches(Args, Variant& r)
    {
        r = Variant::of_object(child(*this, std::make_shared<SubMatches>(r_, match_)), VarType::dispatch);
        return 0;
    }

    std::shared_ptr<const Results> r_;
    std::size_t match_;
};

class MatchCollection : public Component {
public:
    explicit MatchCollection(std::shared_ptr<const Results> r) : r_(std::move(r)) {}

    std::span<const Member> members() const override
    {
        static const std::vector<Member> table = {
            entry("Count", invoke_get, {}, 0, &MatchCollection::count),
            entry("Item", invoke_get, {VarType::i4}, 0, &MatchCollection::item),
        };
        return table;
    }

private:
    int count(Args, Variant& r)
    {
        r = Variant::of_i4(static_cast<std::int32_t>(r_->count()));
        return 0;
    }
    int item(Args a, Variant& r)
    {
        std::size_t i = 0;
        if (const int rc = item_index(a[0], r_->count(), i); rc != 0)
            return rc;
        r = Variant::of_object(child(*this, std::make_shared<Match>(r_, i)), VarType::dispatch);
        return 0;
    }

    std::shared_ptr<const Results> r_;
};

// Appends the replacement with $1 … $99, $&, $`, $' and $$ filled in. "$nn"
// takes two digits when that group exists, else one; anything else stays as written.
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

class RegExp : public Component {
public:
    std::span<const Member> members() const override
    {
        static const std::vector<Member> table = {
            entry("Pattern", invoke_get, {}, 0, &RegExp::get_pattern),
            entry("Pattern", invoke_put, {VarType::bstr}, 0, &RegExp::put_pattern),
            bool_getter("IgnoreCase", &RegExp::ignore_case_),
            bool_setter("IgnoreCase", &RegExp::ignore_case_),
            bool_getter("Global", &RegExp::global_),
            bool_setter("Global", &RegExp::global_),
            bool_getter("Multiline", &RegExp::multiline_),
            bool_setter("Multiline", &RegExp::multiline_),
            entry("Execute", invoke_method, {VarType::bstr}, 0, &RegExp::execute),
            entry("Replace", invoke_method, {VarType::bstr, VarType::bstr}, 0, &RegExp::replace),
            entry("Test", invoke_method, {VarType::bstr}, 0, &RegExp::test),
        };
        return table;
    }

private:
    // The pattern compiled with the current options, or nullptr when rejected.
    const Compiled* compiled()
    {
        if (!compiled_ || compiled_for_ != std::tuple(pattern_, ignore_case_, multiline_)) {
            compiled_ = Compiled::make(pattern_, ignore_case_, multiline_);
            compiled_for_ = {pattern_, ignore_case_, multiline_};
        }
        return compiled_.get();
    }

    int get_pattern(Args, Variant& r)
    {
        r = Variant::of_bstr(pattern_);
        return 0;
    }
    int put_pattern(Args a, Variant&)
    {
        if (!is_scalar(a[0], VarType::bstr))
            return result_type_mismatch;
        pattern_ = a[0].bstr();
        return 0;
    }

    int execute(Args a, Variant& r)
    {
        if (!is_scalar(a[0], VarType::bstr))
            return result_type_mismatch;
        const Compiled* c = compiled();
        if (c == nullptr)
            return result_exception;
        auto res = std::make_shared<Results>();
        res->subject = a[0].take_bstr();
        res->groups = c->groups;
        const std::size_t pairs = std::size_t{c->groups} + 1;
        const bool ok = c->scan(res->subject, global_, [&](const PCRE2_SIZE* ov) {
            for (std::size_t k = 0; k < 2 * pairs; ++k)
                res->offsets.push_back(ov[k] == PCRE2_UNSET ? unset : static_cast<std::uint32_t>(ov[k]));
        });
        if (!ok)
            return result_exception;
        r = Variant::of_object(child(*this, std::make_shared<MatchCollection>(std::move(res))), VarType::dispatch);
        return 0;
    }

    int replace(Args a, Variant& r)
    {
        if (!is_scalar(a[0], VarType::bstr) || !is_scalar(a[1], VarType::bstr))
            return result_type_mismatch;
        const Compiled* c = compiled();
        if (c == nullptr)
            return result_exception;
        const std::u16string_view s = a[0].bstr(), rep = a[1].bstr();
        std::u16string out;
        out.reserve(s.size());
        std::size_t done = 0;
        const bool ok = c->scan(s, global_, [&](const PCRE2_SIZE* ov) {
            out.append(s.substr(done, ov[0] - done));
            expand(rep, s, ov, c->groups, out);
            done = ov[1];
        });
        if (!ok)
            return result_exception;
        out.append(s.substr(done));
        r = Variant::of_bstr(std::move(out));
        return 0;
    }

    int test(Args a, Variant& r)
    {
        if (!is_scalar(a[0], VarType::bstr))
            return result_type_mismatch;
        const Compiled* c = compiled();
        if (c == nullptr)
            return result_exception;
        bool found = false;
        if (!c->scan(a[0].bstr(), false, [&](const PCRE2_SIZE*) { found = true; }))
            return result_exception;
        r = Variant::of_bool(found);
        return 0;
    }

    std::u16string pattern_;
    bool ignore_case_ = false, global_ = false, multiline_ = false;
    std::unique_ptr<Compiled> compiled_;
    std::tuple<std::u16string, bool, bool> compiled_for_;
};

} // namespace

std::shared_ptr<Component> make_regexp_component() { return std::make_shared<RegExp>(); }

} // namespace fenrow
