// The system's error codes that a user must read in the program's words.
#include "runtime/codepage.h"
#include "runtime/file_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>

using namespace fenrow;

TEST(FileSystem, ErrorCodesReadAsTheSameReasons)
{
    const struct { int code; Text reason; } cases[] = {
        {ENOSPC, "磁盘空间不足"_t}, {EDQUOT, "磁盘空间不足"_t}, {EACCES, "没有写入权限"_t}, {EROFS, "没有写入权限"_t},
        {ENOENT, "目录不存在"_t},   {ENAMETOOLONG, "文件名太长"_t},
        {EBUSY, "文件正被其他程序占用，请关闭后重试"_t}, {ETXTBSY, "文件正被其他程序占用，请关闭后重试"_t},
    };
    for (const auto& c : cases)
        EXPECT_EQ(file_system::failure_reason(c.code), c.reason) << c.code;
    EXPECT_FALSE(file_system::failure_reason(EBUSY).empty()); // the system's own words
}

// The desktops' rule: $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
TEST(FileSystem, SettingsFolderFollowsXdgConfigHome)
{
    const auto saved = [](const char* name) -> std::optional<std::string> {
        const char* v = std::getenv(name);
        return v != nullptr ? std::optional<std::string>(v) : std::nullopt;
    };
    const auto set = [](const char* name, const std::optional<std::string>& v) {
        v ? ::setenv(name, v->c_str(), 1) : ::unsetenv(name);
    };
    const std::optional<std::string> home = saved("HOME"), config = saved("XDG_CONFIG_HOME");
    const struct {
        std::optional<std::string> home, config;
        std::optional<std::string> expected;
    } cases[] = {
        {"/home/u", "/cfg", "/cfg/fenrow"},
        {"/home/u", std::nullopt, "/home/u/.config/fenrow"},
        {"/home/u", "", "/home/u/.config/fenrow"},
        {"/home/u", "rel/cfg", "/home/u/.config/fenrow"},
        {std::nullopt, "/cfg", "/cfg/fenrow"},
        {std::nullopt, std::nullopt, std::nullopt},
        {"relative", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        set("HOME", c.home);
        set("XDG_CONFIG_HOME", c.config);
        const std::optional<Text> dir = file_system::settings_dir();
        EXPECT_EQ(dir ? std::optional<std::string>(dir->str()) : std::nullopt, c.expected)
            << c.home.value_or("(unset)") << " " << c.config.value_or("(unset)");
    }
    set("HOME", home);
    set("XDG_CONFIG_HOME", config);
}
