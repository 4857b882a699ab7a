// The system's error codes that a user must read in the program's words.
#include "runtime/codepage.h"
#include "runtime/file_system.h"

#include <windows.h>

#include <optional>
#include <string>

#include <gtest/gtest.h>

using namespace fenrow;

TEST(FileSystem, ErrorCodesReadAsTheSameReasons)
{
    const struct { int code; Text reason; } cases[] = {
        {ERROR_DISK_FULL, "磁盘空间不足"_t}, {ERROR_HANDLE_DISK_FULL, "磁盘空间不足"_t},
        {ERROR_ACCESS_DENIED, "没有写入权限"_t}, {ERROR_WRITE_PROTECT, "没有写入权限"_t},
        {ERROR_PATH_NOT_FOUND, "目录不存在"_t}, {ERROR_FILENAME_EXCED_RANGE, "文件名太长"_t},
        {ERROR_SHARING_VIOLATION, "文件正被其他程序占用，请关闭后重试"_t}, {ERROR_LOCK_VIOLATION, "文件正被其他程序占用，请关闭后重试"_t},
    };
    for (const auto& c : cases)
        EXPECT_EQ(file_system::failure_reason(c.code), c.reason) << c.code;
    EXPECT_FALSE(file_system::failure_reason(ERROR_SHARING_VIOLATION).empty()); // the system's own words
}

// The roaming application-data folder, which the system also gives as %APPDATA%.
TEST(FileSystem, SettingsFolderIsFenrowInTheRoamingAppData)
{
    wchar_t appdata[MAX_PATH];
    const DWORD n = ::GetEnvironmentVariableW(L"APPDATA", appdata, MAX_PATH);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, static_cast<DWORD>(MAX_PATH));
    const std::optional<Text> dir = file_system::settings_dir();
    ASSERT_TRUE(dir.has_value());
    EXPECT_EQ(*dir, text_from_utf16(std::u16string(appdata, appdata + n)) + "\\Fenrow");
}
