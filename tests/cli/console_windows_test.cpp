// The command line's streams on Windows: a console is given characters, a
// pipe the bytes asked for.
#include "cli/console.h"

#include "runtime/codepage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

using namespace fenrow;

namespace {

// Row y of the console's screen, without the blanks after it.
std::u16string console_row(HANDLE con, SHORT y)
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(con, &info);
    std::u16string row(static_cast<std::size_t>(info.dwSize.X), u' ');
    DWORD n = 0;
    ReadConsoleOutputCharacterW(con, reinterpret_cast<wchar_t*>(row.data()), static_cast<DWORD>(row.size()), {0, y}, &n);
    row.resize(n);
    while (!row.empty() && row.back() == u' ')
        row.pop_back();
    return row;
}

} // namespace

TEST(Console, ShowsTheCharactersWhateverTheConsolesCodePage)
{
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    HANDLE con = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(con, INVALID_HANDLE_VALUE);
    const UINT code_pages[] = {65001, 437, 936};
    SHORT y = 0;
    for (const UINT cp : code_pages) {
        SetConsoleOutputCP(cp);
        COORD at{0, y};
        SetConsoleCursorPosition(con, at);
        SetStdHandle(STD_ERROR_HANDLE, con);
        SetStdHandle(STD_OUTPUT_HANDLE, con);
        // A message, then a result in each of its two encodings.
        ASSERT_TRUE(console::write_error(console::for_terminal("无法读取 in.txt：共享冲突"_t) + "\n", console::terminal_encoding()));
        ASSERT_TRUE(console::write_output("\xd5\xcb\xba\xc5----1\r\n", console::Encoding::cp936));
        ASSERT_TRUE(console::write_output("\xe8\xb4\xa6\xe5\x8f\xb7----2\r\n", console::Encoding::utf8));
        EXPECT_EQ(console_row(con, y), u"无法读取 in.txt：共享冲突") << cp;
        EXPECT_EQ(console_row(con, static_cast<SHORT>(y + 1)), u"账号----1") << cp;
        EXPECT_EQ(console_row(con, static_cast<SHORT>(y + 2)), u"账号----2") << cp;
        y = static_cast<SHORT>(y + 3);
    }
    CloseHandle(con);
    FreeConsole();
}

TEST(Console, AFileOrPipeGetsTheBytesAsTheyAre)
{
    HANDLE read_end = nullptr, write_end = nullptr;
    ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 1 << 16));
    const HANDLE old = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, write_end);
    const std::string gbk = "\xd5\xcb\xba\xc5\r\n", utf8 = "\xe8\xb4\xa6\xe5\x8f\xb7\r\n";
    EXPECT_TRUE(console::write_output(gbk, console::Encoding::cp936));
    EXPECT_TRUE(console::write_output(utf8, console::Encoding::utf8));
    SetStdHandle(STD_OUTPUT_HANDLE, old);
    CloseHandle(write_end);
    std::string got(64, '\0');
    DWORD n = 0;
    ReadFile(read_end, got.data(), static_cast<DWORD>(got.size()), &n, nullptr);
    got.resize(n);
    CloseHandle(read_end);
    EXPECT_EQ(got, gbk + utf8);
}

// The system's words arrive as characters, not as bytes of some code page.
TEST(Console, SystemErrorTextsAreItsOwnWords)
{
    wchar_t* words = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_SHARING_VIOLATION, 0, reinterpret_cast<LPWSTR>(&words), 0, nullptr);
    ASSERT_NE(words, nullptr);
    const std::u16string system(reinterpret_cast<const char16_t*>(words));
    LocalFree(words);
    const std::u16string ours = text_to_utf16(console::error_text(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(ours.empty());
    EXPECT_EQ(system.substr(0, ours.size()), ours);
}
