// The components our automation layer serves, and helpers for their member
// tables. Internal to runtime/.
#pragma once

#include "runtime/automation.h"

#include <memory>

namespace fenrow {

std::shared_ptr<Component> make_regexp_component(); // "VBScript.RegExp"
std::shared_ptr<Component> make_stream_component(); // "Adodb.Stream"

inline bool is_scalar(const Variant& v, VarType t) { return !v.is_array() && v.type() == t; }
// An optional argument the caller passed (neither left out nor empty).
inline bool given(Args a, std::size_t i) { return i < a.size() && !a[i].is_missing() && !a[i].is_empty(); }

// Member-table entries for a bool field: a property read and a property write.
template <typename C>
Member bool_getter(std::string_view name, bool C::*field)
{
    return {name, invoke_get, {}, 0, [field](Component& self, Args, Variant& r) {
                r = Variant::of_bool(static_cast<C&>(self).*field);
                return 0;
            }};
}
template <typename C>
Member bool_setter(std::string_view name, bool C::*field)
{
    return {name, invoke_put, {VarType::boolean}, 0, [field](Component& self, Args a, Variant&) {
                if (!is_scalar(a[0], VarType::boolean))
                    return static_cast<int>(result_type_mismatch);
                static_cast<C&>(self).*field = a[0].integer() != 0;
                return 0;
            }};
}

// A member table entry that calls a member function of the component.
template <typename C>
Member entry(std::string_view name, InvokeKind kind, std::vector<VarType> params, int optional,
             int (C::*fn)(Args, Variant&))
{
    return {name, kind, std::move(params), optional,
            [fn](Component& self, Args a, Variant& r) { return (static_cast<C&>(self).*fn)(a, r); }};
}

} // namespace fenrow
