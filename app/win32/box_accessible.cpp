#include "app/win32/box_accessible.h"

#include "app/list_box_core.h"
#include "app/win32/list_box.h"
#include "app/win32/win_text.h"

#include <oleacc.h>

#include <atomic>
#include <string>
#include <utility>

namespace fenrow {

namespace {

// COM objects are only ever deleted by their own Release, never through the interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// Asks the box afresh on every call, so that a reader holding the object
// after the box has gone gets an error rather than a dangling box.
class BoxAccessible final : public IAccessible {
public:
    explicit BoxAccessible(HWND box) : box_(box)
    {
        if (FAILED(CreateStdAccessibleObject(box, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&std_))))
            std_ = nullptr;
    }
    BoxAccessible(const BoxAccessible&) = delete;
    BoxAccessible& operator=(const BoxAccessible&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        if (IsEqualIID(id, __uuidof(IUnknown)) || IsEqualIID(id, __uuidof(IDispatch)) || IsEqualIID(id, __uuidof(IAccessible))) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch: readers call the interface directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override
    {
        if (n == nullptr)
            return E_POINTER;
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // What the box answers itself.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override
    {
        return answer(child, out, [](const ListBoxCore& core) { return to_wide(core.name()); });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override
    {
        return answer(child, out, [](const ListBoxCore& core) {
            return to_wide(Text(accessible_caret_line(core.editor())));
        });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override
    {
        return answer(child, out, [](const ListBoxCore& core) {
            return to_wide(Text(accessible_selection(core.editor())));
        });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override
    {
        if (out == nullptr)
            return E_POINTER;
        VariantInit(out);
        if (const HRESULT h = check(child); h != S_OK)
            return h;
        out->vt = VT_I4;
        out->lVal = ROLE_SYSTEM_TEXT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override
    {
        if (out == nullptr)
            return E_POINTER;
        VariantInit(out);
        if (const HRESULT h = check(child); h != S_OK)
            return h;
        // The window's own states (hidden, disabled, off screen) as the system finds them.
        VARIANT system;
        VariantInit(&system);
        LONG state = 0;
        if (std_ != nullptr && SUCCEEDED(std_->get_accState(child, &system)) && system.vt == VT_I4)
            state = system.lVal & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_OFFSCREEN);
        VariantClear(&system);
        state |= STATE_SYSTEM_FOCUSABLE;
        if (GetFocus() == box_)
            state |= STATE_SYSTEM_FOCUSED;
        out->vt = VT_I4;
        out->lVal = state;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

    // The system's standard answers for the window.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** out) override { return pass(&IAccessible::get_accParent, out); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* out) override { return pass(&IAccessible::get_accChildCount, out); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** out) override { return pass(&IAccessible::get_accChild, c, out); }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* out) override { return pass(&IAccessible::get_accHelp, c, out); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT c, LONG* topic) override
    {
        return pass(&IAccessible::get_accHelpTopic, file, c, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* out) override
    {
        return pass(&IAccessible::get_accKeyboardShortcut, c, out);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override { return pass(&IAccessible::get_accFocus, out); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override { return pass(&IAccessible::get_accSelection, out); }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* out) override
    {
        return pass(&IAccessible::get_accDefaultAction, c, out);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT c) override { return pass(&IAccessible::accSelect, flags, c); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT c) override
    {
        return pass(&IAccessible::accLocation, x, y, w, h, c);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG dir, VARIANT start, VARIANT* out) override
    {
        return pass(&IAccessible::accNavigate, dir, start, out);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override
    {
        return pass(&IAccessible::accHitTest, x, y, out);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override { return pass(&IAccessible::accDoDefaultAction, c); }

private:
    ~BoxAccessible()
    {
        if (std_ != nullptr)
            std_->Release();
    }

    // The box has no children: only the box itself is asked about.
    HRESULT check(const VARIANT& child) const
    {
        if (ListBox::of(box_) == nullptr)
            return RPC_E_DISCONNECTED;
        return child.vt == VT_I4 && child.lVal == CHILDID_SELF ? S_OK : E_INVALIDARG;
    }

    template <typename F>
    HRESULT answer(const VARIANT& child, BSTR* out, F&& words)
    {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        if (const HRESULT h = check(child); h != S_OK)
            return h;
        const std::wstring s = words(ListBox::of(box_)->core());
        *out = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
        return *out != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    template <typename... Params, typename... Args>
    HRESULT pass(HRESULT (STDMETHODCALLTYPE IAccessible::*method)(Params...), Args&&... args)
    {
        if (std_ == nullptr)
            return E_NOTIMPL;
        if (ListBox::of(box_) == nullptr)
            return RPC_E_DISCONNECTED;
        return (std_->*method)(std::forward<Args>(args)...);
    }

    HWND box_;
    IAccessible* std_ = nullptr;
    std::atomic<ULONG> refs_{1};
};

#pragma GCC diagnostic pop

} // namespace

LRESULT answer_accessible_client(HWND box, WPARAM w)
{
    auto* object = new BoxAccessible(box);
    const LRESULT r = LresultFromObject(__uuidof(IAccessible), w, object);
    object->Release(); // the result holds its own reference
    return r;
}

} // namespace fenrow
