// The Windows skin library on a small window of the system's own controls,
// loaded the way the program loads it: by name, from the program's directory.
#include "app/library_loader.h"
#include "app/skin/skin_api.h"
#include "app/skin/skin_format.h"
#include "app/skin_attach.h"
#include "runtime/files.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
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

template <typename F>
F entry(const char* name)
{
    static void* const library = library_loader::open(library_path());
    return library == nullptr ? nullptr : reinterpret_cast<F>(library_loader::find(library, name));
}

COLORREF ref(Rgb c) { return RGB(c.r, c.g, c.b); }

skin::Skin stored_skin()
{
    return *skin::parse_skin(builtin_skin().data(), static_cast<std::size_t>(builtin_skin().size()));
}

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
        dc_ = ::CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ::SelectObject(dc_, bitmap_);
        ::SendMessageW(top, WM_PRINT, reinterpret_cast<WPARAM>(dc_), PRF_ERASEBKGND | PRF_CLIENT);
        HRGN all = ::CreateRectRgn(0, 0, width_, height_);
        print_children(top, top, all);
        ::DeleteObject(all);
        ::GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels_.assign(p, p + static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
    }
    ~Picture()
    {
        ::DeleteDC(dc_);
        ::DeleteObject(bitmap_);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

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
    void print_children(HWND top, HWND parent, HRGN within)
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
            HDC own = ::CreateCompatibleDC(dc_);
            HBITMAP bitmap = ::CreateCompatibleBitmap(dc_, w, h);
            const HGDIOBJ old = ::SelectObject(own, bitmap);
            ::BitBlt(own, 0, 0, w, h, dc_, at.x, at.y, SRCCOPY);
            ::SendMessageW(c, WM_PRINT, reinterpret_cast<WPARAM>(own), PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT);
            ::SelectClipRgn(dc_, clip);
            ::BitBlt(dc_, at.x, at.y, w, h, own, 0, 0, SRCCOPY);
            ::SelectClipRgn(dc_, nullptr);
            ::SelectObject(own, old);
            ::DeleteObject(bitmap);
            ::DeleteDC(own);
            print_children(top, c, clip);
            ::DeleteObject(clip);
        }
    }

    LONG width_ = 0, height_ = 0;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    std::vector<std::uint32_t> pixels_;
};

class SkinnedWindow : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(entry<skin::DetachFn>(skin::detach_entry), nullptr) << "no skin library beside the test";
        window = make_window();
        ASSERT_NE(window, nullptr);
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
    void TearDown() override
    {
        entry<skin::DetachFn>(skin::detach_entry)();
        ::DestroyWindow(window);
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

    SkinLibrary library{library_path()};
    HWND window = nullptr, group_box = nullptr, bar = nullptr;
};

} // namespace

TEST_F(SkinnedWindow, ControlsTakeTheSkinColoursAndKeepPlacesAndFonts)
{
    struct Place {
        RECT r;
        LRESULT font;
    };
    auto places = [&] {
        std::vector<Place> all;
        for (HWND parent : {window, group_box})
            for (HWND c = ::GetWindow(parent, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
                Place p{{}, ::SendMessageW(c, WM_GETFONT, 0, 0)};
                ::GetWindowRect(c, &p.r);
                all.push_back(p);
            }
        return all;
    };
    const std::vector<Place> before = places();
    const Picture plain(window);
    ASSERT_TRUE(library.attach(builtin_skin()));
    const Picture skinned(window);
    const skin::Skin s = stored_skin();

    EXPECT_EQ(answers(), skin_answers(s));
    EXPECT_GT(skinned.share_changed(plain), 0.3);
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
    for (const auto& p : pixels)
        EXPECT_EQ(skinned.at(window, p.w, p.x, p.y, p.client), ref(s[p.want])) << p.what;

    const std::vector<Place> after = places();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_TRUE(::EqualRect(&after[i].r, &before[i].r)) << i;
        EXPECT_EQ(after[i].font, before[i].font) << i;
    }
}

TEST_F(SkinnedWindow, ShiftRecoloursFromTheStoredColours)
{
    const auto adjust = entry<skin::AdjustFn>(skin::adjust_entry);
    ASSERT_NE(adjust, nullptr);
    EXPECT_EQ(adjust(30, 0, 0), 0); // nothing attached yet
    ASSERT_TRUE(library.attach(builtin_skin()));
    const skin::Skin s = stored_skin();
    const Picture unshifted(window);
    const struct {
        int hue, saturation, lightness;
        int limited_hue, limited_saturation, limited_lightness;
    } shifts[] = {
        {90, 0, 0, 90, 0, 0},           {-180, 60, 0, -180, 60, 0},     {45, -100, 30, 45, -100, 30},
        {0, 0, -40, 0, 0, -40},         {1000, 1000, 1000, 180, 100, 100}, {-999, -999, -999, -180, -100, -100},
    };
    for (const auto& c : shifts) {
        SCOPED_TRACE(testing::Message() << c.hue << ", " << c.saturation << ", " << c.lightness);
        ASSERT_EQ(adjust(c.hue, c.saturation, c.lightness), 1);
        const skin::Skin shifted =
            skin::shift_skin(s, c.limited_hue, c.limited_saturation, c.limited_lightness);
        EXPECT_EQ(answers(), skin_answers(shifted)); // red and blue stay as they are
        const Picture p(window);
        EXPECT_EQ(p.at(window, window, 300, 150), ref(shifted[Role::window]));
        EXPECT_EQ(p.at(window, bar, 90, 10), ref(shifted[Role::panel]));
        EXPECT_GT(p.share_changed(unshifted), 0.3);
    }
    ASSERT_EQ(adjust(0, 0, 0), 1);
    EXPECT_EQ(Picture(window).share_changed(unshifted), 0.0);
}

TEST_F(SkinnedWindow, DetachGivesBackTheDefaultLook)
{
    const std::vector<Answer> plain_answers = answers();
    const Picture plain(window);
    ASSERT_TRUE(library.attach(builtin_skin()));
    ASSERT_TRUE(library.adjust(45, 20));
    entry<skin::DetachFn>(skin::detach_entry)();
    EXPECT_EQ(answers(), plain_answers);
    EXPECT_EQ(Picture(window).share_changed(plain), 0.0);
    EXPECT_FALSE(library.adjust(0, 0));
    // No hook is left behind either.
    HWND later = make(L"EDIT", L"", 0, 4, 160, 40, 20, window, 99);
    EXPECT_EQ(ask(window, WM_CTLCOLOREDIT, later), ask(window, WM_CTLCOLOREDIT, control(big_edit)));
}

TEST_F(SkinnedWindow, WindowsMadeLaterWearTheSkin)
{
    ASSERT_TRUE(library.attach(builtin_skin()));
    const skin::Skin s = stored_skin();
    HWND label = make(L"STATIC", L"later", SS_LEFT, 8, 70, 60, 16, group_box, 98);
    EXPECT_EQ(ask(group_box, WM_CTLCOLORSTATIC, label), (Answer{ref(s[Role::panel]), ref(s[Role::panel]),
                                                                 ref(s[Role::window_text])}));
    HWND second = make_window(200, 100);
    HWND edit = make(L"EDIT", L"", 0, 4, 4, 60, 20, second, 1, WS_EX_CLIENTEDGE);
    EXPECT_EQ(ask(second, WM_CTLCOLOREDIT, edit),
              (Answer{ref(s[Role::base]), ref(s[Role::base]), ref(s[Role::base_text])}));
    const Picture p(second);
    EXPECT_EQ(p.at(second, second, 150, 50), ref(s[Role::window]));
    EXPECT_EQ(p.at(second, edit, 30, 0, false), ref(s[Role::frame]));
    ::DestroyWindow(second);
}

TEST_F(SkinnedWindow, RefusedSkinsChangeNothing)
{
    const auto attach = entry<skin::AttachFn>(skin::attach_entry);
    ASSERT_NE(attach, nullptr);
    const std::string& good = builtin_skin().str();
    std::string corrupt = good;
    corrupt[corrupt.size() / 2] ^= 0x04;
    auto bytes = [](const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); };
    auto size = [](const std::string& s) { return static_cast<int>(s.size()); };
    const struct {
        const char* what;
        const unsigned char* data;
        int size;
        const char* password;
        int flags;
    } cases[] = {
        {"corrupt", bytes(corrupt), size(corrupt), nullptr, 0},
        {"cut short", bytes(good), size(good) - 1, nullptr, 0},
        {"no data", nullptr, size(good), nullptr, 0},
        {"negative size", bytes(good), -1, nullptr, 0},
        {"empty", bytes(good), 0, nullptr, 0},
        {"with a password", bytes(good), size(good), "secret", 0},
        {"with flags", bytes(good), size(good), nullptr, 1},
    };
    for (bool skinned_first : {false, true}) {
        SCOPED_TRACE(skinned_first ? "skinned" : "plain");
        if (skinned_first) {
            ASSERT_TRUE(library.attach(builtin_skin()));
            ASSERT_TRUE(library.adjust(90, 0));
        }
        const std::vector<Answer> before = answers();
        const Picture picture(window);
        for (const auto& c : cases) {
            EXPECT_EQ(attach(c.data, c.size, c.password, c.flags), 0) << c.what;
            EXPECT_EQ(answers(), before) << c.what;
        }
        EXPECT_EQ(Picture(window).share_changed(picture), 0.0);
    }
    // An empty password is no password.
    EXPECT_EQ(attach(bytes(good), size(good), "", 0), 1);
}

TEST_F(SkinnedWindow, OnlyTheThreadOwningTheWindowsWearsTheSkin)
{
    const auto attach = entry<skin::AttachFn>(skin::attach_entry);
    const auto adjust = entry<skin::AdjustFn>(skin::adjust_entry);
    const auto detach = entry<skin::DetachFn>(skin::detach_entry);
    ASSERT_TRUE(attach != nullptr && adjust != nullptr && detach != nullptr);
    const ByteArray& b = builtin_skin();
    const std::vector<Answer> plain = answers();

    int attached = -1, adjusted = -1;
    std::thread windowless([&] {
        attached = attach(b.data(), b.size(), nullptr, 0);
        adjusted = adjust(0, 0, 0);
    });
    windowless.join();
    EXPECT_EQ(attached, 0);
    EXPECT_EQ(adjusted, 0);
    EXPECT_EQ(answers(), plain);

    ASSERT_TRUE(library.attach(builtin_skin()));
    const std::vector<Answer> skinned = answers();
    std::thread with_a_window([&] {
        HWND own = make_window(100, 80);
        attached = attach(b.data(), b.size(), nullptr, 0);
        adjusted = adjust(90, 0, 0);
        detach();
        ::DestroyWindow(own);
    });
    with_a_window.join();
    EXPECT_EQ(attached, 0);
    EXPECT_EQ(adjusted, 0);
    EXPECT_EQ(answers(), skinned);
}
