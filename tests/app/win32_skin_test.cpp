// The Windows skin library on a small window of the system's own controls,
// loaded the way the program loads it: by name, from the program's directory.
#include "app/library_loader.h"
#include "app/skin/skin_format.h"
#include "app/skin_attach.h"
#include "runtime/files.h"
#include "tests/app/skin_contract.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <thread>
#include <vector>

using namespace fenrow;
using skin::Rgb;
using skin::Role;

namespace {

// The window's controls. Captions with a colour of their own get it from the
// window's answer to WM_CTLCOLOR*, as the program gives its red and blue ones.
enum Id : int { red_label = 10, plain_label, group, blue_label, red_edit, blue_check, button, big_edit, combo, status };
const std::map<int, COLORREF> own_colours = {
    {red_label, RGB(255, 0, 0)}, {blue_label, RGB(0, 0, 255)}, {red_edit, RGB(255, 0, 0)}, {blue_check, RGB(0, 0, 255)}};

LRESULT CALLBACK window_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
        const LRESULT r = ::DefWindowProcW(w, msg, wp, lp);
        const auto own = own_colours.find(::GetDlgCtrlID(reinterpret_cast<HWND>(lp)));
        if (own != own_colours.end())
            ::SetTextColor(reinterpret_cast<HDC>(wp), own->second);
        return r;
    }
    default:
        return ::DefWindowProcW(w, msg, wp, lp);
    }
}

// The controls inside a group box are its children; it passes their questions on to the window.
LRESULT CALLBACK group_passes_on(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR)
{
    if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC)
        return ::SendMessageW(::GetParent(w), msg, wp, lp);
    return ::DefSubclassProc(w, msg, wp, lp);
}

const wchar_t window_class[] = L"FenrowSkinTestWindow";

void register_class()
{
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&controls);
        WNDCLASSW c{};
        c.lpfnWndProc = window_proc;
        c.hInstance = ::GetModuleHandleW(nullptr);
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        c.lpszClassName = window_class;
        return ::RegisterClassW(&c) != 0;
    }();
    ASSERT_TRUE(done);
}

HWND make(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int width, int height, HWND parent,
          int id, DWORD ex = 0)
{
    HWND w = ::CreateWindowExW(ex, cls, text, style | WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return w;
}

HWND make_window(int width = 320, int height = 240)
{
    register_class();
    HWND w = ::CreateWindowExW(0, window_class, L"Fenrow", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    ::ShowWindow(w, SW_SHOWNOACTIVATE);
    return w;
}

std::filesystem::path library_path()
{
    return to_fs_path(program_dir() + Text(std::string(1, path_separator)) + Text(library_loader::skin_library_file));
}

COLORREF ref(Rgb c) { return RGB(c.r, c.g, c.b); }

// What a window answers a control that asks for its colours.
struct Answer {
    COLORREF brush, background, text;
    friend bool operator==(const Answer&, const Answer&) = default;
};

void PrintTo(const Answer& a, std::ostream* os)
{
    *os << std::hex << "{brush " << a.brush << ", background " << a.background << ", text " << a.text << "}";
}

Answer ask(HWND parent, UINT msg, HWND control)
{
    HDC dc = ::CreateCompatibleDC(nullptr);
    const auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageW(parent, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    LOGBRUSH b{};
    const bool solid = brush != nullptr && ::GetObjectW(brush, sizeof b, &b) == sizeof b;
    const Answer a{solid ? b.lbColor : CLR_INVALID, ::GetBkColor(dc), ::GetTextColor(dc)};
    ::DeleteDC(dc);
    return a;
}

// The window's client area as every window in it paints itself, bottom to top.
class Picture {
public:
    explicit Picture(HWND top)
    {
        RECT r;
        ::GetClientRect(top, &r);
        width_ = r.right;
        height_ = r.bottom;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC dc = ::CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ::SelectObject(dc, bitmap);
        ::SendMessageW(top, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_ERASEBKGND | PRF_CLIENT);
        HRGN all = ::CreateRectRgn(0, 0, width_, height_);
        print_children(dc, top, top, all);
        ::DeleteObject(all);
        ::GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels_.assign(p, p + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
        ::DeleteDC(dc);
        ::DeleteObject(bitmap);
    }
    friend bool operator==(const Picture&, const Picture&) = default;

    // The colour at a point of a window, in that window's own coordinates
    // (its client area's when client is true).
    COLORREF at(HWND top, HWND w, int x, int y, bool client = true) const
    {
        POINT p{x, y};
        if (!client) {
            RECT r;
            ::GetWindowRect(w, &r);
            p = {r.left + x, r.top + y};
            ::ScreenToClient(top, &p);
        } else {
            ::MapWindowPoints(w, top, &p, 1);
        }
        if (p.x < 0 || p.y < 0 || p.x >= width_ || p.y >= height_)
            return CLR_INVALID;
        const std::uint32_t v = pixels_[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(width_) +
                                        static_cast<std::size_t>(p.x)];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    double share_changed(const Picture& other) const
    {
        if (other.pixels_.size() != pixels_.size())
            return 1;
        std::size_t changed = 0;
        for (std::size_t i = 0; i < pixels_.size(); ++i)
            changed += pixels_[i] != other.pixels_[i];
        return static_cast<double>(changed) / static_cast<double>(pixels_.size());
    }

private:
    // Each window paints into a bitmap of its own holding what lies beneath it,
    // as if onto its parent: the system's controls take their DC's origin for
    // their own. The bitmap goes back within the parent's bounds.
    static void print_children(HDC dc, HWND top, HWND parent, HRGN within)
    {
        std::vector<HWND> children;
        for (HWND c = ::GetWindow(parent, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT))
            children.insert(children.begin(), c);
        for (HWND c : children) {
            if (!::IsWindowVisible(c))
                continue;
            RECT r;
            ::GetWindowRect(c, &r);
            POINT at{r.left, r.top};
            ::ScreenToClient(top, &at);
            const int w = r.right - r.left, h = r.bottom - r.top;
            HRGN clip = ::CreateRectRgn(at.x, at.y, at.x + w, at.y + h);
            ::CombineRgn(clip, clip, within, RGN_AND);
            HDC own = ::CreateCompatibleDC(dc);
            HBITMAP bitmap = ::CreateCompatibleBitmap(dc, w, h);
            const HGDIOBJ old = ::SelectObject(own, bitmap);
            ::BitBlt(own, 0, 0, w, h, dc, at.x, at.y, SRCCOPY);
            ::SendMessageW(c, WM_PRINT, reinterpret_cast<WPARAM>(own), PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT);
            ::SelectClipRgn(dc, clip);
            ::BitBlt(dc, at.x, at.y, w, h, own, 0, 0, SRCCOPY);
            ::SelectClipRgn(dc, nullptr);
            ::SelectObject(own, old);
            ::DeleteObject(bitmap);
            ::DeleteDC(own);
            print_children(dc, top, c, clip);
            ::DeleteObject(clip);
        }
    }

    LONG width_ = 0, height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

struct Win32Driver {
    struct Look {
        std::vector<Answer> answers;
        Picture picture;
        friend bool operator==(const Look&, const Look&) = default;
        bool shows_as(const Look& other) const { return *this == other; }
        double share_changed(const Look& other) const { return picture.share_changed(other.picture); }
    };
    static constexpr double restyled = 0.3;
    static std::filesystem::path library() { return library_path(); }

    Win32Driver()
    {
        window = make_window();
        EXPECT_NE(window, nullptr);
        const DWORD label = SS_LEFT, check = BS_AUTOCHECKBOX, push = BS_PUSHBUTTON;
        make(L"STATIC", L"总共：1行 ↓", label, 4, 4, 80, 16, window, red_label);
        make(L"STATIC", L"Plain", label, 90, 4, 60, 16, window, plain_label);
        group_box = make(L"BUTTON", L"", BS_GROUPBOX, 160, 4, 150, 100, window, group);
        ::SetWindowSubclass(group_box, group_passes_on, 1, 0);
        make(L"STATIC", L"前(可空)：", label, 8, 14, 60, 16, group_box, blue_label);
        make(L"EDIT", L",", ES_AUTOHSCROLL, 70, 14, 40, 20, group_box, red_edit, WS_EX_CLIENTEDGE);
        make(L"BUTTON", L"添加前缀", check, 8, 40, 90, 16, group_box, blue_check);
        make(L"BUTTON", L"转换", push, 4, 30, 72, 24, window, button);
        make(L"EDIT", L"a\r\nb", ES_MULTILINE | WS_VSCROLL | WS_HSCROLL, 4, 60, 150, 90, window, big_edit,
             WS_EX_CLIENTEDGE);
        HWND list = make(L"COMBOBOX", L"", CBS_DROPDOWNLIST, 160, 110, 80, 120, window, combo);
        ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L".txt"));
        ::SendMessageW(list, CB_SETCURSEL, 0, 0);
        bar = make(STATUSCLASSNAMEW, L"", 0, 0, 0, 0, 0, window, status);
        const int edges[] = {60, 120, 180, -1};
        ::SendMessageW(bar, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
        ::SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"使用次数："));
    }
    ~Win32Driver() { ::DestroyWindow(window); }
    Win32Driver(const Win32Driver&) = delete;
    Win32Driver& operator=(const Win32Driver&) = delete;

    Look look() const { return {answers(), Picture(window)}; }
    std::vector<std::string> places() const
    {
        std::vector<std::string> all;
        for (HWND parent : {window, group_box})
            for (HWND c = ::GetWindow(parent, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
                RECT r;
                ::GetWindowRect(c, &r);
                const LRESULT font = ::SendMessageW(c, WM_GETFONT, 0, 0);
                all.push_back(std::to_string(::GetDlgCtrlID(c)) + ": " + std::to_string(r.left) + "," +
                              std::to_string(r.top) + " " + std::to_string(r.right) + "," +
                              std::to_string(r.bottom) + " font " + std::to_string(font));
            }
        return all;
    }
    void expect_wears(const skin::Skin& s) const
    {
        EXPECT_EQ(answers(), skin_answers(s)); // red and blue stay as they are
        const struct {
            const char* what;
            HWND w;
            int x, y;
            bool client;
            Role want;
        } pixels[] = {
            {"bare window", window, 300, 150, true, Role::window},
            {"group box panel", group_box, 140, 90, true, Role::panel},
            {"group box border", group_box, 140, 98, true, Role::panel_border},
            {"button border", control(button), 36, 0, true, Role::button_border},
            {"edit box border", control(big_edit), 40, 0, false, Role::frame},
            {"edit box inside the border", control(big_edit), 40, 1, false, Role::base},
            {"drop-down list border", control(combo), 40, 0, true, Role::button_border},
            {"status bar", bar, 200, 0, true, Role::status_border},
            {"empty status pane", bar, 90, 10, true, Role::panel},
        };
        const Picture picture(window);
        for (const auto& p : pixels)
            EXPECT_EQ(picture.at(window, p.w, p.x, p.y, p.client), ref(s[p.want])) << p.what;
    }

    HWND control(int id) const
    {
        HWND c = ::GetDlgItem(window, id);
        return c != nullptr ? c : ::GetDlgItem(group_box, id);
    }
    // The answers of every kind of control, asked where the control asks.
    std::vector<Answer> answers() const
    {
        return {ask(window, WM_CTLCOLORSTATIC, control(red_label)),
                ask(window, WM_CTLCOLORSTATIC, control(plain_label)),
                ask(group_box, WM_CTLCOLORSTATIC, control(blue_label)),
                ask(group_box, WM_CTLCOLOREDIT, control(red_edit)),
                ask(group_box, WM_CTLCOLORSTATIC, control(blue_check)),
                ask(window, WM_CTLCOLOREDIT, control(big_edit)),
                ask(window, WM_CTLCOLORLISTBOX, control(combo))};
    }
    // The same, as the skin (shifted or not) gives them.
    static std::vector<Answer> skin_answers(const skin::Skin& s)
    {
        auto on = [&](Role ground, COLORREF text) { return Answer{ref(s[ground]), ref(s[ground]), text}; };
        const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
        return {on(Role::window, red), on(Role::window, ref(s[Role::window_text])), on(Role::panel, blue),
                on(Role::base, red),   on(Role::panel, blue),   on(Role::base, ref(s[Role::base_text])),
                on(Role::base, ref(s[Role::base_text]))};
    }

    HWND window = nullptr, group_box = nullptr, bar = nullptr;
};

} // namespace

namespace fenrow {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32Skin, SkinContract, Win32Driver);
} // namespace fenrow

// What only the Windows library does: windows it did not see at the attach.
using Win32SkinLibrary = SkinContract<Win32Driver>;

TEST_F(Win32SkinLibrary, WindowsMadeLaterWearTheSkinUntilTheDetach)
{
    ASSERT_EQ(wear(), 1);
    const skin::Skin s = stored_skin();
    HWND label = make(L"STATIC", L"later", SS_LEFT, 8, 70, 60, 16, driver.group_box, 98);
    EXPECT_EQ(ask(driver.group_box, WM_CTLCOLORSTATIC, label),
              (Answer{ref(s[Role::panel]), ref(s[Role::panel]), ref(s[Role::window_text])}));
    HWND second = make_window(200, 100);
    HWND edit = make(L"EDIT", L"", 0, 4, 4, 60, 20, second, 1, WS_EX_CLIENTEDGE);
    EXPECT_EQ(ask(second, WM_CTLCOLOREDIT, edit),
              (Answer{ref(s[Role::base]), ref(s[Role::base]), ref(s[Role::base_text])}));
    const Picture p(second);
    EXPECT_EQ(p.at(second, second, 150, 50), ref(s[Role::window]));
    EXPECT_EQ(p.at(second, edit, 30, 0, false), ref(s[Role::frame]));
    ::DestroyWindow(second);
    // Detached, no hook is left behind: a box made now takes the system's colours.
    detach();
    HWND after = make(L"EDIT", L"", 0, 4, 160, 40, 20, driver.window, 99);
    EXPECT_EQ(ask(driver.window, WM_CTLCOLOREDIT, after), ask(driver.window, WM_CTLCOLOREDIT, driver.control(big_edit)));
}

// A thread with a window of its own can neither take the skin over nor drop it.
TEST_F(Win32SkinLibrary, AThreadWithItsOwnWindowCannotTakeTheSkinOver)
{
    ASSERT_EQ(wear(), 1);
    const Win32Driver::Look skinned = driver.look();
    int attached = -1, adjusted = -1;
    std::thread([&] {
        HWND own = make_window(100, 80);
        attached = wear();
        adjusted = adjust(90, 0, 0);
        detach();
        ::DestroyWindow(own);
    }).join();
    EXPECT_EQ(attached, 0);
    EXPECT_EQ(adjusted, 0);
    EXPECT_TRUE(driver.look() == skinned);
}
