#include "cli/console.h"

#include "runtime/codepage.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs

namespace fenrow::console {

namespace {

// Whole lines of at most about this many bytes go to the console at a time,
// so that a long result is never converted whole.
constexpr std::size_t console_piece = 1 << 16;

std::u16string characters(std::string_view bytes, Encoding e)
{
    if (e == Encoding::utf8) {
        std::u16string out(bytes.size(), u'\0');
        const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                          reinterpret_cast<wchar_t*>(out.data()), static_cast<int>(out.size()));
        out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return out;
    }
    return text_to_utf16(Text(bytes));
}

bool write_console(HANDLE h, std::string_view bytes, Encoding e)
{
    while (!bytes.empty()) {
        std::size_t cut = bytes.size();
        if (cut > console_piece) {
            const std::size_t lf = bytes.rfind('\n', console_piece);
            if (lf != std::string_view::npos)
                cut = lf + 1;
            else if (e == Encoding::utf8)
                for (cut = console_piece; cut > 1 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80; --cut) {}
            else
                for (cut = 0; cut < console_piece;)
                    cut += static_cast<std::size_t>(cp936_char_at(bytes.substr(cut)).length);
        }
        const std::u16string wide = characters(bytes.substr(0, cut), e);
        for (std::size_t done = 0; done < wide.size();) {
            DWORD written = 0;
            const DWORD n = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
            if (!WriteConsoleW(h, wide.data() + done, n, &written, nullptr) || written == 0)
                return false;
            done += written;
        }
        bytes.remove_prefix(cut);
    }
    return true;
}

bool write_handle(DWORD which, std::string_view bytes, Encoding e)
{
    const HANDLE h = GetStdHandle(which);
    if (h == nullptr || h == INVALID_HANDLE_VALUE)
        return false;
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode))
        return write_console(h, bytes, e);
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD n = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        if (!WriteFile(h, bytes.data(), n, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

// The wide command line, so that names outside the ANSI code page arrive whole.
std::vector<Text> arguments(int, char**)
{
    std::vector<Text> out;
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (wide == nullptr)
        return out;
    for (int i = 1; i < n; ++i)
        out.push_back(text_from_utf16(reinterpret_cast<const char16_t*>(wide[i])));
    LocalFree(wide);
    return out;
}

void use_binary_streams()
{
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

std::string for_terminal(const Text& t) { return t.str(); }

Encoding terminal_encoding() { return Encoding::cp936; }

bool write_output(std::string_view bytes, Encoding e) { return write_handle(STD_OUTPUT_HANDLE, bytes, e); }

bool write_error(std::string_view bytes, Encoding e) { return write_handle(STD_ERROR_HANDLE, bytes, e); }

// The system's own words in UTF-16, so that no code page stands between.
Text error_text(int err)
{
    wchar_t* words = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(err), 0, reinterpret_cast<LPWSTR>(&words), 0, nullptr);
    std::u16string s = n > 0 && words != nullptr ? std::u16string(reinterpret_cast<const char16_t*>(words), n) : u"";
    LocalFree(words);
    // The system ends its sentences with a full stop and a line break; the
    // reason goes in the middle of ours.
    while (!s.empty() && (s.back() == u'\r' || s.back() == u'\n' || s.back() == u' ' || s.back() == u'.' || s.back() == u'\u3002'))
        s.pop_back();
    return s.empty() ? Text("error " + std::to_string(err)) : text_from_utf16(s);
}

} // namespace fenrow::console
