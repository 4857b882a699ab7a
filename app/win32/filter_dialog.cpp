#include "app/win32/filter_dialog.h"

#include "app/win32/win_text.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace fenrow {

namespace {

enum : int { id_text = 100, id_regex, id_ignore_case };

// A dialog template built in memory: no resource script, and the system's
// dialog font, so the dialog grows with the screen's scale as every system
// dialog does. Sizes are in dialog units.
class DialogTemplate {
public:
    DialogTemplate(std::wstring_view title, short cx, short cy, int items)
    {
        const DWORD style = DS_MODALFRAME | DS_SETFONT | DS_SHELLFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        add_dword(style);
        add_dword(0); // extended style
        add_word(static_cast<WORD>(items));
        add_word(0); // x, y: centred
        add_word(0);
        add_word(static_cast<WORD>(cx));
        add_word(static_cast<WORD>(cy));
        add_word(0); // no menu
        add_word(0); // the standard dialog class
        add_string(title);
        add_word(9);
        add_string(L"MS Shell Dlg 2");
    }
    void add(DWORD style, short x, short y, short cx, short cy, int id, WORD control_class, std::wstring_view text)
    {
        while (bytes_.size() % 4 != 0) // every item starts on a DWORD
            bytes_.push_back(0);
        add_dword(style | WS_CHILD | WS_VISIBLE);
        add_dword(0);
        for (const short v : {x, y, cx, cy})
            add_word(static_cast<WORD>(v));
        add_word(static_cast<WORD>(id));
        add_word(0xFFFF); // a predefined class by its atom
        add_word(control_class);
        add_string(text);
        add_word(0); // no creation data
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
    void add_word(WORD w)
    {
        bytes_.push_back(static_cast<std::uint8_t>(w & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    void add_dword(DWORD d)
    {
        add_word(static_cast<WORD>(d & 0xFFFF));
        add_word(static_cast<WORD>(d >> 16));
    }
    void add_string(std::wstring_view s)
    {
        for (const wchar_t c : s)
            add_word(static_cast<WORD>(c));
        add_word(0);
    }
    // Kept as words' bytes; the vector's storage is aligned for a DWORD.
    std::vector<std::uint8_t> bytes_;
};

constexpr WORD button_class = 0x0080, static_class = 0x0082, combo_class = 0x0085;

struct Exchange {
    const FilterQuestion* question;
    FilterOptions answer;
};

std::wstring window_text(HWND w)
{
    std::wstring s(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    s.resize(static_cast<std::size_t>(GetWindowTextW(w, s.data(), static_cast<int>(s.size()))));
    return s;
}

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT msg, WPARAM w, LPARAM l)
{
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, l);
        const auto* ex = reinterpret_cast<const Exchange*>(l);
        HWND text = GetDlgItem(dialog, id_text);
        for (const Text& t : ex->question->recent)
            SendMessageW(text, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(to_edit(t).c_str()));
        if (!ex->question->recent.empty())
            SendMessageW(text, CB_SETCURSEL, 0, 0);
        CheckDlgButton(dialog, id_regex, ex->question->last.regex ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, id_ignore_case, ex->question->last.ignore_case ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dialog, IDOK), GetWindowTextLengthW(text) > 0);
        return TRUE; // the focus to the first control that takes it: the text
    }
    case WM_COMMAND: {
        const int id = LOWORD(w);
        const int code = HIWORD(w);
        // Nothing to look for is no filter.
        if (id == id_text && (code == CBN_EDITCHANGE || code == CBN_SELCHANGE)) {
            HWND text = GetDlgItem(dialog, id_text);
            const bool chosen = code == CBN_SELCHANGE && SendMessageW(text, CB_GETCURSEL, 0, 0) != CB_ERR;
            EnableWindow(GetDlgItem(dialog, IDOK), chosen || GetWindowTextLengthW(text) > 0);
            return TRUE;
        }
        if (id == IDOK) {
            auto* ex = reinterpret_cast<Exchange*>(GetWindowLongPtrW(dialog, DWLP_USER));
            HWND text = GetDlgItem(dialog, id_text);
            ex->answer.text = from_edit(window_text(text));
            ex->answer.regex = IsDlgButtonChecked(dialog, id_regex) == BST_CHECKED;
            ex->answer.ignore_case = IsDlgButtonChecked(dialog, id_ignore_case) == BST_CHECKED;
            EndDialog(dialog, ex->answer.text.empty() ? IDCANCEL : IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

} // namespace

std::optional<FilterOptions> ask_filter_dialog(HWND owner, const FilterQuestion& q)
{
    const FilterDialogWords& words = filter_dialog_words();
    DialogTemplate t(to_wide(q.title), 220, 90, 6);
    t.add(SS_LEFT, 7, 7, 206, 9, -1, static_class, to_wide(words.prompt));
    t.add(CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 7, 18, 206, 100, id_text, combo_class, L"");
    t.add(BS_AUTOCHECKBOX | WS_TABSTOP, 7, 38, 206, 10, id_regex, button_class, to_wide(words.regex));
    t.add(BS_AUTOCHECKBOX | WS_TABSTOP, 7, 52, 206, 10, id_ignore_case, button_class, to_wide(words.ignore_case));
    t.add(BS_DEFPUSHBUTTON | WS_TABSTOP, 109, 69, 50, 14, IDOK, button_class, to_wide(words.ok));
    t.add(BS_PUSHBUTTON | WS_TABSTOP, 163, 69, 50, 14, IDCANCEL, button_class, to_wide(words.cancel));
    Exchange ex{&q, {}};
    const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, &dialog_proc,
                                              reinterpret_cast<LPARAM>(&ex));
    if (r != IDOK)
        return std::nullopt;
    return ex.answer;
}

} // namespace fenrow
