#include "runtime/automation.h"

#include "runtime/codepage.h"
#include "runtime/components.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <map>
#include <mutex>

namespace fenrow {

Variant Variant::of_array(std::shared_ptr<const VarArray> a)
{
    const VarType element = a->element;
    return {element, std::move(a)};
}

Variant Variant::of_bytes(std::string bytes)
{
    auto a = std::make_shared<VarArray>();
    a->element = VarType::ui1;
    a->bytes = std::move(bytes);
    return of_array(std::move(a));
}

namespace {

thread_local int last_result = 0;
thread_local int thread_inits = 0;

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i]))
            return false;
    }
    return true;
}

std::string folded(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = ascii_lower(c);
    return r;
}

// ---- Conversions between value types ----

bool is_integer_type(VarType t)
{
    return t == VarType::i1 || t == VarType::ui1 || t == VarType::i2 || t == VarType::i4 || t == VarType::boolean;
}

std::u16string ascii16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string format_number(const Variant& v)
{
    if (is_integer_type(v.type()))
        return ascii16(std::to_string(v.integer()));
    char buf[64];
    std::snprintf(buf, sizeof buf, v.type() == VarType::r4 ? "%.7G" : "%.15G", v.real());
    return ascii16(buf);
}

// A number written in ASCII, with surrounding spaces; nothing else.
bool parse_number(const std::u16string& s, double& out)
{
    std::string narrow;
    for (const char16_t c : s) {
        if (c > 0x7F)
            return false;
        narrow.push_back(static_cast<char>(c));
    }
    const std::size_t first = narrow.find_first_not_of(" \t");
    if (first == std::string::npos)
        return false;
    narrow = narrow.substr(first, narrow.find_last_not_of(" \t") - first + 1);
    if (narrow.find_first_not_of("0123456789+-.eE") != std::string::npos)
        return false;
    char* end = nullptr;
    out = std::strtod(narrow.c_str(), &end);
    return end == narrow.c_str() + narrow.size() && std::isfinite(out);
}

int number_to(double x, VarType to, Variant& out)
{
    if (to == VarType::r8 || to == VarType::date) {
        out = Variant::of_real(to, x);
        return 0;
    }
    if (to == VarType::r4) {
        if (std::fabs(x) > FLT_MAX)
            return result_overflow;
        out = Variant::of_real(to, static_cast<float>(x));
        return 0;
    }
    if (to == VarType::boolean) {
        out = Variant::of_bool(x != 0);
        return 0;
    }
    double lo = std::numeric_limits<std::int32_t>::min(), hi = std::numeric_limits<std::int32_t>::max();
    if (to == VarType::i2)
        lo = -32768, hi = 32767;
    else if (to == VarType::i1)
        lo = -128, hi = 127;
    else if (to == VarType::ui1)
        lo = 0, hi = 255;
    const double r = std::nearbyint(x); // halves go to the even neighbour, as automation rounds
    if (!(r >= lo && r <= hi))
        return result_overflow;
    out = Variant::of_integer(to, static_cast<std::int32_t>(r));
    return 0;
}

// ---- Calls ----

int to_argument(const Arg& a, VarType declared, Variant& out)
{
    struct Visit {
        VarType declared;
        Variant& out;
        int operator()(Missing) { out = Variant::of_error(param_not_found_scode); return 0; }
        int operator()(bool b) { out = Variant::of_bool(b); return 0; }
        int operator()(Date d) { out = Variant::of_real(VarType::date, d.days); return 0; }
        int operator()(const Text& t) { out = Variant::of_bstr(bstr_from_text(t)); return 0; }
        int operator()(std::reference_wrapper<const Text> t) { return (*this)(t.get()); }
        int operator()(std::uint8_t b) { out = Variant::of_integer(VarType::ui1, b); return 0; }
        int operator()(std::int16_t s) { out = Variant::of_integer(VarType::i2, s); return 0; }
        int operator()(std::int32_t i) { out = Variant::of_i4(i); return 0; }
        int operator()(std::int64_t i)
        {
            out = Variant::of_i4(static_cast<std::int32_t>(static_cast<std::uint32_t>(i)));
            return 0;
        }
        int operator()(float f) { out = Variant::of_real(VarType::r4, f); return 0; }
        int operator()(double d) { out = Variant::of_r8(d); return 0; }
        int operator()(const AutomationObject& o)
        {
            out = Variant::of_object(o, declared == VarType::dispatch ? VarType::dispatch : VarType::unknown);
            return 0;
        }
        int operator()(const Variant& v) { out = v; return 0; }
        int operator()(const ByteArray&) { return result_bad_arg_type; }
    };
    return std::visit(Visit{declared, out}, a);
}

const Member* find_member(const Component& c, std::string_view name, std::initializer_list<InvokeKind> order)
{
    const std::span<const Member> members = c.members();
    for (const InvokeKind kind : order) {
        for (const Member& m : members)
            if (m.kind == kind && same_name(m.name, name))
                return &m;
    }
    return nullptr;
}

int invoke(const AutomationObject& object, const Text& name, std::initializer_list<InvokeKind> order,
           ArgList args, Variant& result)
{
    Component* c = object.get();
    if (c == nullptr)
        return result_empty_object;
    if (c->owner != std::this_thread::get_id())
        return result_failed;
    const Member* m = find_member(*c, name.view(), order);
    if (m == nullptr)
        return result_no_member;

    const Arg* const given_args = args.begin();
    std::size_t n = args.size();
    while (n > 0 && std::holds_alternative<Missing>(given_args[n - 1]))
        --n;
    if (m->optional >= 0 && n > m->params.size())
        return result_too_many_args;
    std::vector<Variant> values(n);
    for (std::size_t i = 0; i < n; ++i) {
        const VarType declared = i < m->params.size() ? m->params[i] : VarType::variant;
        if (const int rc = to_argument(given_args[i], declared, values[i]); rc != 0)
            return rc;
        if (values[i].is_missing() || declared == VarType::variant || is_scalar(values[i], declared))
            continue;
        // A value that doesn't convert goes as it is; the member judges it.
        Variant converted;
        if (var_change_type(values[i], declared, converted) == 0)
            values[i] = std::move(converted);
    }
    const std::size_t required = m->params.size() - (m->optional > 0 ? static_cast<std::size_t>(m->optional) : 0);
    if (n < required)
        return result_bad_param_count;
    for (std::size_t i = 0; i < required; ++i)
        if (values[i].is_missing())
            return result_param_not_optional;
    return m->call(*c, values, result);
}

constexpr std::initializer_list<InvokeKind> get_order = {invoke_get, invoke_method};
constexpr std::initializer_list<InvokeKind> put_order = {invoke_put, invoke_putref, invoke_method};
constexpr std::initializer_list<InvokeKind> call_order = {invoke_method, invoke_get, invoke_put, invoke_putref};

Variant call_as(const AutomationObject& o, const Text& name, std::initializer_list<InvokeKind> order,
                ArgList args, VarType to)
{
    Variant result;
    int rc = invoke(o, name, order, args, result);
    if (rc == 0 && to != VarType::variant && !is_scalar(result, to)) {
        Variant converted;
        rc = var_change_type(result, to, converted) == 0 ? result_ok : result_bad_result;
        result = std::move(converted);
    }
    last_result = rc;
    if (rc != 0)
        return {};
    return result;
}

Text as_text(const Variant& v) { return is_scalar(v, VarType::bstr) ? text_from_bstr(v.bstr()) : Text(); }
double as_number(const Variant& v) { return is_scalar(v, VarType::r8) ? v.real() : 0.0; }
AutomationObject as_object(const Variant& v)
{
    return is_scalar(v, VarType::unknown) ? v.object() : AutomationObject();
}

struct Registry {
    std::mutex mutex;
    std::map<std::string, ComponentFactory> factories{{"vbscript.regexp", make_regexp_component},
                                                      {"adodb.stream", make_stream_component}};
};
Registry& registry()
{
    static Registry r;
    return r;
}

} // namespace

int var_change_type(const Variant& in, VarType to, Variant& out)
{
    if (to == VarType::variant || (to == in.type() && !in.is_array())) {
        out = in;
        return 0;
    }
    if (to == VarType::empty) {
        out = Variant();
        return 0;
    }
    if (in.is_array())
        return result_type_mismatch;
    const VarType from = in.type();
    if (from == VarType::empty) {
        switch (to) {
        case VarType::bstr: out = Variant::of_bstr({}); return 0;
        case VarType::dispatch:
        case VarType::unknown: out = Variant::of_object({}, to); return 0;
        case VarType::error: return result_type_mismatch;
        default: return number_to(0, to, out);
        }
    }
    if (from == VarType::dispatch || from == VarType::unknown) {
        if (to != VarType::dispatch && to != VarType::unknown)
            return result_type_mismatch;
        out = Variant::of_object(in.object(), to);
        return 0;
    }
    if (from == VarType::error || to == VarType::error || to == VarType::dispatch || to == VarType::unknown)
        return result_type_mismatch;
    if (from == VarType::bstr) {
        if (to == VarType::boolean) {
            std::string word;
            for (const char16_t c : in.bstr())
                word.push_back(c < 0x80 ? static_cast<char>(c) : '?');
            if (same_name(word, "true") || same_name(word, "false")) {
                out = Variant::of_bool(same_name(word, "true"));
                return 0;
            }
        }
        double x = 0;
        if (!parse_number(in.bstr(), x))
            return result_type_mismatch;
        return number_to(x, to, out);
    }
    // A number of some kind. Dates aren't written as text here: the system has no use for it.
    if (to == VarType::bstr) {
        if (from == VarType::date)
            return result_type_mismatch;
        out = Variant::of_bstr(format_number(in));
        return 0;
    }
    return number_to(is_integer_type(from) ? in.integer() : in.real(), to, out);
}

int obj_result_code() { return last_result; }

bool automation_thread_init() { return ++thread_inits == 1; }
void automation_thread_done()
{
    if (thread_inits > 0)
        --thread_inits;
}
bool automation_thread_ready() { return thread_inits > 0; }

ComponentFactory register_component(const Text& progid, ComponentFactory factory)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    ComponentFactory& slot = r.factories[folded(progid.view())];
    ComponentFactory old = std::move(slot);
    slot = std::move(factory);
    return old;
}

bool obj_create(AutomationObject& object, const Text& progid)
{
    if (!automation_thread_ready())
        return false;
    ComponentFactory factory;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        const auto it = r.factories.find(folded(progid.view()));
        if (it == r.factories.end() || !it->second)
            return false;
        factory = it->second;
    }
    std::shared_ptr<Component> c = factory();
    if (!c)
        return false;
    c->owner = std::this_thread::get_id();
    object = AutomationObject(std::move(c));
    return true;
}

void obj_release(AutomationObject& object) { object.reset(); }
bool obj_is_empty(const AutomationObject& object) { return !object; }

Text obj_get_text(const AutomationObject& o, const Text& name, ArgList args)
{
    return as_text(call_as(o, name, get_order, args, VarType::bstr));
}
double obj_get_number(const AutomationObject& o, const Text& name, ArgList args)
{
    return as_number(call_as(o, name, get_order, args, VarType::r8));
}
AutomationObject obj_get_object(const AutomationObject& o, const Text& name, ArgList args)
{
    return as_object(call_as(o, name, get_order, args, VarType::unknown));
}
Variant obj_get_variant(const AutomationObject& o, const Text& name, ArgList args)
{
    return call_as(o, name, get_order, args, VarType::variant);
}
bool obj_put(const AutomationObject& o, const Text& name, const Arg& value)
{
    Variant ignored;
    last_result = invoke(o, name, put_order, {value}, ignored);
    return last_result == 0;
}
void obj_call(const AutomationObject& o, const Text& name, ArgList args)
{
    call_as(o, name, call_order, args, VarType::variant);
}
Variant obj_call_variant(const AutomationObject& o, const Text& name, ArgList args)
{
    return call_as(o, name, call_order, args, VarType::variant);
}
Text obj_call_text(const AutomationObject& o, const Text& name, ArgList args)
{
    return as_text(call_as(o, name, call_order, args, VarType::bstr));
}
AutomationObject obj_call_object(const AutomationObject& o, const Text& name, ArgList args)
{
    return as_object(call_as(o, name, call_order, args, VarType::unknown));
}

void var_clear(Variant& v) { v = Variant(); }

bool var_set_type(Variant& v, int kind)
{
    static constexpr VarType kinds[] = {VarType::i4,   VarType::bstr,     VarType::boolean,
                                        VarType::date, VarType::dispatch, VarType::error};
    var_clear(v);
    if (kind == 0)
        return true;
    if (kind < 1 || kind > 6)
        return false;
    return var_change_type(Variant(), kinds[kind - 1], v) == 0;
}

bool var_create_array(Variant& v, int element_kind, int count)
{
    static constexpr VarType kinds[] = {VarType::ui1, VarType::i2,      VarType::i4,   VarType::r4,
                                        VarType::r8,  VarType::bstr,    VarType::boolean, VarType::date,
                                        VarType::unknown, VarType::variant};
    if (element_kind < 1 || element_kind > 10 || count < 0)
        return false;
    auto a = std::make_shared<VarArray>();
    a->element = kinds[element_kind - 1];
    if (a->element == VarType::ui1) {
        a->bytes.assign(static_cast<std::size_t>(count), '\0');
    } else {
        Variant zero;
        var_change_type(Variant(), a->element, zero);
        a->items.assign(static_cast<std::size_t>(count), zero);
    }
    v = Variant::of_array(std::move(a));
    return true;
}

bool var_assign(Variant& v, const Arg& value)
{
    var_clear(v);
    if (std::holds_alternative<Missing>(value))
        return false;
    if (const auto* b = std::get_if<ByteArray>(&value)) {
        v = Variant::of_bytes(b->str());
        return true;
    }
    return to_argument(value, VarType::unknown, v) == 0;
}

Text var_as_text(const Variant& v)
{
    Variant s;
    return var_change_type(v, VarType::bstr, s) == 0 ? text_from_bstr(s.bstr()) : Text();
}

ByteArray var_as_bytes(const Variant& v)
{
    if (!v.is_array() || (v.type() != VarType::ui1 && v.type() != VarType::i1))
        return {};
    return ByteArray(v.array().bytes);
}

namespace {

// ASCII, most of an account list, crosses directly; every other stretch goes
// through codepage.h whole. A stretch ends behind two ASCII bytes in a row: no
// character of code page 936 or GB18030 holds two, so a character starts there.
// ascii(i) and other(i, j) return false to stop the walk.
template <typename Ascii, typename Other>
void walk_text(std::string_view s, Ascii&& ascii, Other&& other)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            if (!ascii(i))
                return;
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < n && !(p[j] < 0x80 && p[j - 1] < 0x80))
            ++j;
        j = std::min(j + 1, n);
        if (!other(i, j))
            return;
        i = j;
    }
}

} // namespace

std::u16string bstr_from_text(const Text& t)
{
    const std::string_view s = t.view();
    std::u16string out(s.size(), u'\0'); // never more units than bytes
    std::size_t o = 0;
    walk_text(
        s,
        [&](std::size_t i) {
            out[o++] = static_cast<unsigned char>(s[i]);
            return true;
        },
        [&](std::size_t i, std::size_t j) {
            const std::u16string piece = text_to_utf16_exact(Text(s.substr(i, j - i)));
            std::copy(piece.begin(), piece.end(), out.begin() + static_cast<std::ptrdiff_t>(o));
            o += piece.size();
            return true;
        });
    out.resize(o);
    return out;
}

Text text_from_bstr(std::u16string_view s)
{
    s = s.substr(0, s.find(u'\0'));
    std::string out(s.size(), '\0');
    std::size_t o = 0;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] < 0x80) {
            out[o++] = static_cast<char>(s[i++]);
            continue;
        }
        std::size_t j = i + 1;
        while (j < s.size() && s[j] >= 0x80)
            ++j;
        const Text piece = text_from_utf16_exact(s.substr(i, j - i));
        out.resize(std::max(out.size(), o + piece.view().size() + (s.size() - j)));
        std::copy(piece.view().begin(), piece.view().end(), out.begin() + static_cast<std::ptrdiff_t>(o));
        o += piece.view().size();
        i = j;
    }
    out.resize(o);
    return Text(std::move(out));
}

int bstr_prefix_bytes(const Text& t, int units)
{
    const std::string_view s = t.view();
    std::size_t left = static_cast<std::size_t>(std::max(units, 0));
    std::size_t bytes = s.size();
    walk_text(
        s,
        [&](std::size_t i) {
            if (left == 0)
                bytes = i;
            return left-- != 0;
        },
        [&](std::size_t i, std::size_t j) {
            if (left == 0) {
                bytes = i;
                return false;
            }
            const std::u16string piece = text_to_utf16_exact(Text(s.substr(i, j - i)));
            if (piece.size() <= left) {
                left -= piece.size();
                return true;
            }
            std::size_t n = left;
            if (n > 0 && piece[n - 1] >= 0xD800 && piece[n - 1] <= 0xDBFF && piece[n] >= 0xDC00 && piece[n] <= 0xDFFF)
                --n;
            bytes = i + text_from_utf16_exact(std::u16string_view(piece).substr(0, n)).view().size();
            return false;
        });
    return static_cast<int>(bytes);
}

} // namespace fenrow
