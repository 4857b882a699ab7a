// The system's error codes that a user must read in the program's words.
#include "runtime/codepage.h"
#include "runtime/file_system.h"

#include <gtest/gtest.h>

#include <cerrno>

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
