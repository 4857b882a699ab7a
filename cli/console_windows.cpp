#include "cli/console.h"

#include "runtime/codepage.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs

namespace fenrow::console {

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

} // namespace fenrow::console
