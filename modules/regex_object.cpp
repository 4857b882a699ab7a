#include "modules/regex_object.h"

#include "runtime/codepage.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

namespace fenrow {

namespace {

// Counts and positions arrive as doubles; they are cut toward zero.
int truncated(double x)
{
    if (std::isnan(x))
        return 0;
    return static_cast<int>(std::clamp(std::trunc(x), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

double item(int one_based) { return static_cast<double>(one_based) - 1; }

} // namespace

RegexObject::RegexObject() { automation_thread_init(); }

RegexObject::~RegexObject()
{
    obj_release(engine_);
    obj_release(matches_);
    searched_text_ = Text();
    automation_thread_done();
}

bool RegexObject::search(const Text& pattern, const Text& text, std::optional<bool> case_sensitive,
                         std::optional<bool> multiline, std::optional<bool> global, std::optional<bool> quote_token)
{
    obj_release(engine_);
    obj_release(matches_);
    obj_create(engine_, "VBScript.RegExp");
    obj_put(engine_, "IgnoreCase", !case_sensitive.value_or(false));
    obj_put(engine_, "Multiline", multiline.value_or(true));
    // The engine has no such property; the failed write changes nothing.
    obj_put(engine_, "Singleline", true);
    obj_put(engine_, "Global", global.value_or(true));
    obj_put(engine_, "Pattern",
            quote_token.value_or(false) ? txt_replace(pattern, "#引号"_t, Text("\""), std::nullopt, std::nullopt, true)
                                        : pattern);
    matches_ = obj_call_object(engine_, "Execute", {std::cref(text)});
    searched_text_ = text;
    return !obj_is_empty(matches_);
}

Text RegexObject::get_pattern() const
{
    return obj_is_empty(engine_) ? Text() : obj_get_text(engine_, "Pattern");
}

Text RegexObject::replace(const Text& replacement) const
{
    return obj_call_text(engine_, "Replace", {std::cref(searched_text_), std::cref(replacement)});
}

int RegexObject::match_count() const { return truncated(obj_get_number(matches_, "Count")); }

// The engine counts UTF-16 units; callers count bytes.
int RegexObject::match_offset(const AutomationObject& match) const
{
    return bstr_prefix_bytes(searched_text_, truncated(obj_get_number(match, "FirstIndex")));
}

Text RegexObject::match_text(int index, int* position) const
{
    AutomationObject m = obj_get_object(matches_, "Item", {item(index)});
    const Text v = obj_get_text(m, "Value");
    if (position != nullptr)
        *position = obj_is_empty(m) ? -1 : match_offset(m);
    obj_release(m);
    return v;
}

Text RegexObject::submatch_text(int match_index, int submatch_index, int* position) const
{
    AutomationObject m = obj_get_object(matches_, "Item", {item(match_index)});
    AutomationObject s = obj_get_object(m, "SubMatches");
    Variant group = obj_get_variant(s, "Item", {item(submatch_index)});
    const Text v = var_as_text(group);
    var_clear(group);
    if (position != nullptr) {
        // The engine reports no position for a group: look for its text from the match on.
        *position = -1;
        if (!obj_is_empty(m) && !v.empty()) {
            const bool ignore_case = obj_get_text(engine_, "IgnoreCase") == Text("-1");
            const int at = txt_find(searched_text_, v, match_offset(m) + 1, ignore_case);
            *position = at < 0 ? -1 : at - 1;
        }
    }
    obj_release(m);
    obj_release(s);
    return v;
}

int RegexObject::submatch_count() const
{
    AutomationObject m = obj_get_object(matches_, "Item", {0.0});
    AutomationObject s = obj_get_object(m, "SubMatches");
    const int n = truncated(obj_get_number(s, "Count"));
    obj_release(m);
    obj_release(s);
    return n;
}

} // namespace fenrow
