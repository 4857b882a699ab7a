// "VBScript.RegExp": the regular expressions of regex.h, by name, over the
// UTF-16 texts that automation values carry. FirstIndex and Length count
// UTF-16 code units; a search that fails or gives up is a failed call.
#include "runtime/components.h"
#include "runtime/regex.h"

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace fenrow {
namespace {

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
        r = m[0] == regex_unset ? Variant() : Variant::of_bstr(r_->piece(m[0], m[1]));
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
    const Regex* compiled()
    {
        const auto key = std::tuple(pattern_, ignore_case_, multiline_, global_);
        if (!compiled_ || compiled_for_ != key) {
            compiled_ = regex_compile_utf16(pattern_, {ignore_case_, multiline_, global_});
            compiled_for_ = key;
        }
        return compiled_ ? &*compiled_ : nullptr;
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
        const Regex* re = compiled();
        if (re == nullptr)
            return result_exception;
        auto res = std::make_shared<Results>();
        res->subject = a[0].take_bstr();
        res->groups = static_cast<std::uint32_t>(re->groups());
        auto offsets = regex_offsets_utf16(*re, res->subject);
        if (!offsets)
            return result_exception;
        res->offsets = std::move(*offsets);
        r = Variant::of_object(child(*this, std::make_shared<MatchCollection>(std::move(res))), VarType::dispatch);
        return 0;
    }

    int replace(Args a, Variant& r)
    {
        if (!is_scalar(a[0], VarType::bstr) || !is_scalar(a[1], VarType::bstr))
            return result_type_mismatch;
        const Regex* re = compiled();
        if (re == nullptr)
            return result_exception;
        auto out = regex_replace_utf16(*re, a[0].bstr(), a[1].bstr());
        if (!out)
            return result_exception;
        r = Variant::of_bstr(std::move(*out));
        return 0;
    }

    int test(Args a, Variant& r)
    {
        if (!is_scalar(a[0], VarType::bstr))
            return result_type_mismatch;
        const Regex* re = compiled();
        if (re == nullptr)
            return result_exception;
        const auto first = regex_offsets_utf16(*re, a[0].bstr(), true);
        if (!first)
            return result_exception;
        r = Variant::of_bool(!first->empty());
        return 0;
    }

    std::u16string pattern_;
    bool ignore_case_ = false, global_ = false, multiline_ = false;
    std::optional<Regex> compiled_;
    std::tuple<std::u16string, bool, bool, bool> compiled_for_;
};

} // namespace

std::shared_ptr<Component> make_regexp_component() { return std::make_shared<RegExp>(); }

} // namespace fenrow
