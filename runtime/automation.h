// Automation objects: components created by programmatic identifier and called
// late-bound by member name, with variants as their values. A small layer of
// our own serves the two components the system uses, "VBScript.RegExp" and
// "Adodb.Stream"; callers see only names, values and result codes.
#pragma once

#include "runtime/text.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

namespace fenrow {

class Component;
struct VarArray;

// A counted reference to a component, or empty. Copies share the component;
// assigning releases the reference held before.
class AutomationObject {
public:
    AutomationObject() = default;
    explicit AutomationObject(std::shared_ptr<Component> c) : c_(std::move(c)) {}
    Component* get() const { return c_.get(); }
    explicit operator bool() const { return c_ != nullptr; }
    void reset() { c_.reset(); }
    friend bool operator==(const AutomationObject&, const AutomationObject&) = default;

private:
    std::shared_ptr<Component> c_;
};

// Value types, numbered as automation numbers them.
enum class VarType : std::uint16_t {
    empty = 0, i2 = 2, i4 = 3, r4 = 4, r8 = 5, date = 7, bstr = 8, dispatch = 9, error = 10,
    boolean = 11, variant = 12, unknown = 13, i1 = 16, ui1 = 17
};

// The error value that stands for an argument left out.
inline constexpr std::int32_t param_not_found_scode = static_cast<std::int32_t>(0x80020004u);

// An automation value owned by its variable. Texts are UTF-16 (BSTR); arrays
// are one-dimensional and shared read-only between copies, since nothing
// changes an array's elements in place.
class Variant {
public:
    Variant() = default;
    static Variant of_bool(bool b) { return {VarType::boolean, std::int32_t{b ? -1 : 0}}; }
    static Variant of_i4(std::int32_t i) { return {VarType::i4, i}; }
    static Variant of_r8(double d) { return {VarType::r8, d}; }
    static Variant of_bstr(std::u16string s) { return {VarType::bstr, std::move(s)}; }
    static Variant of_object(AutomationObject o, VarType kind = VarType::unknown) { return {kind, std::move(o)}; }
    static Variant of_error(std::int32_t scode) { return {VarType::error, scode}; }
    // i1, ui1, i2, i4, boolean and error hold integers; r4, r8 and date doubles.
    static Variant of_integer(VarType t, std::int32_t i) { return {t, i}; }
    static Variant of_real(VarType t, double d) { return {t, d}; }
    static Variant of_array(std::shared_ptr<const VarArray> a);
    static Variant of_bytes(std::string bytes); // an array of ui1, lower bound 1

    // For an array, the element type.
    VarType type() const { return vt_; }
    bool is_array() const { return std::holds_alternative<std::shared_ptr<const VarArray>>(v_); }
    bool is_empty() const { return vt_ == VarType::empty; }
    bool is_missing() const { return vt_ == VarType::error && integer() == param_not_found_scode; }
    std::int32_t integer() const { return std::get<std::int32_t>(v_); }
    double real() const { return std::get<double>(v_); }
    const std::u16string& bstr() const { return std::get<std::u16string>(v_); }
    std::u16string take_bstr() { return std::move(std::get<std::u16string>(v_)); }
    const AutomationObject& object() const { return std::get<AutomationObject>(v_); }
    const VarArray& array() const { return *std::get<std::shared_ptr<const VarArray>>(v_); }

private:
    using Payload = std::variant<std::monostate, std::int32_t, double, std::u16string, AutomationObject,
                                 std::shared_ptr<const VarArray>>;
    Variant(VarType t, Payload p) : vt_(t), v_(std::move(p)) {}

    VarType vt_ = VarType::empty;
    Payload v_;
};

struct VarArray {
    VarType element = VarType::ui1;
    std::int32_t lower_bound = 1;
    std::string bytes;          // the elements of ui1 and i1 arrays
    std::vector<Variant> items; // the elements of every other kind
    std::size_t count() const { return element == VarType::ui1 || element == VarType::i1 ? bytes.size() : items.size(); }
};

// Arguments and assigned values: the system's value types, a variant or an object.
struct Missing {}; // an argument left out
struct Date {
    double days; // automation dates: days since 30 December 1899
};
// A text passed by reference (std::cref) is not copied on its way in.
using Arg = std::variant<Missing, bool, Date, Text, std::reference_wrapper<const Text>, std::uint8_t, std::int16_t,
                         std::int32_t, std::int64_t, float, double, AutomationObject, Variant, ByteArray>;
using ArgList = std::initializer_list<Arg>;

// Per-thread result code of the last member call.
enum ResultCode : int {
    result_ok = 0,
    result_empty_object = -1,
    result_no_dispatch = -2,
    result_no_member = -3,
    result_no_type_info = -4,
    result_too_many_args = -5,
    result_bad_arg_type = -7,
    result_bad_result = -8,
    result_bad_param_count = -9,
    result_bad_var_type = -10,
    result_exception = -11,
    result_member_not_found = -12,
    result_no_named_args = -13,
    result_overflow = -14,
    result_param_not_found = -15,
    result_type_mismatch = -16,
    result_param_not_optional = -17,
    result_failed = -18,
};
int obj_result_code();

// Per-thread preparation, counted: objects are created only on a thread
// between a matched init and done. init is true for the call that made the
// thread ready, false when it already was.
bool automation_thread_init();
void automation_thread_done();
bool automation_thread_ready();

// Identifiers are matched without regard to case. On failure the variable keeps
// what it held.
bool obj_create(AutomationObject& object, const Text& progid);
void obj_release(AutomationObject& object);
bool obj_is_empty(const AutomationObject& object);

// Late-bound calls. Member names are matched without regard to case. A failed
// call gives the empty value of its result type and sets the result code.
Text obj_get_text(const AutomationObject& object, const Text& name, ArgList args = {});
double obj_get_number(const AutomationObject& object, const Text& name, ArgList args = {});
AutomationObject obj_get_object(const AutomationObject& object, const Text& name, ArgList args = {});
Variant obj_get_variant(const AutomationObject& object, const Text& name, ArgList args = {});
bool obj_put(const AutomationObject& object, const Text& name, const Arg& value);
void obj_call(const AutomationObject& object, const Text& name, ArgList args = {});
Variant obj_call_variant(const AutomationObject& object, const Text& name, ArgList args = {});
Text obj_call_text(const AutomationObject& object, const Text& name, ArgList args = {});
AutomationObject obj_call_object(const AutomationObject& object, const Text& name, ArgList args = {});

void var_clear(Variant& v);
// Kinds 0 (cleared), 1-6 (i4, bstr, boolean, date, dispatch, error) and 7-13
// (arrays of those, and of variants). An array can't be converted from the
// empty value, so kinds 7-13 leave the variant empty and yield false;
// var_create_array makes arrays.
bool var_set_type(Variant& v, int kind);
// Element kinds 1-10: ui1, i2, i4, r4, r8, bstr, boolean, date, unknown, variant.
bool var_create_array(Variant& v, int element_kind, int count);
bool var_assign(Variant& v, const Arg& value);
Text var_as_text(const Variant& v);
ByteArray var_as_bytes(const Variant& v);

// Texts cross into components as UTF-16 in the exact form of codepage.h, so
// bytes that form no character come back unchanged from any round trip.
std::u16string bstr_from_text(const Text& t);
Text text_from_bstr(std::u16string_view s);
// The bytes that the first `units` UTF-16 code units of t's BSTR form take in
// t; a count inside a surrogate pair stops before the pair.
int bstr_prefix_bytes(const Text& t, int units);

// ---- Writing components ----

enum InvokeKind : unsigned { invoke_method = 1, invoke_get = 2, invoke_put = 4, invoke_putref = 8 };

// Arguments in declared order. One left out in the middle is a missing error
// value (Variant::is_missing); a put's value comes last. The member may move
// values out: they are the call's own copies.
using Args = std::span<Variant>;

struct Member {
    std::string_view name;
    InvokeKind kind;
    std::vector<VarType> params; // declared types; VarType::variant takes any value
    int optional = 0;            // trailing parameters that may be left out; -1: any number of arguments
    // Returns a result code: 0, or -9 … -18.
    std::function<int(Component& self, Args args, Variant& result)> call;
};

class Component {
public:
    virtual ~Component() = default;
    virtual std::span<const Member> members() const = 0;
    std::thread::id owner; // the thread that created it; calls from elsewhere fail
};

// Converts a value to another type: 0, result_overflow or result_type_mismatch.
// Texts parse as ASCII numbers (or true/false); numbers write as digits,
// booleans as -1 and 0; objects convert only to objects, arrays to nothing.
int var_change_type(const Variant& in, VarType to, Variant& out);

using ComponentFactory = std::function<std::shared_ptr<Component>()>;
// Serves progid with factory from now on (an empty factory withdraws it) and
// returns the factory it replaces; tests stand in failing components with it.
ComponentFactory register_component(const Text& progid, ComponentFactory factory);

} // namespace fenrow
