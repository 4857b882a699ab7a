#include "runtime/fatal.h"

#include "runtime/codepage.h"

#include "tests/support/fatal_exit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

using namespace fenrow;

TEST(FatalReport, Layout)
{
    EXPECT_EQ(fatal_report(4, "msg"), "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：msg\r\n"_t);
    EXPECT_EQ(fatal_report(0, "msg"), "运行时出错!\r\n\r\n错误信息：msg\r\n"_t);
}

TEST(FatalDeathTest, DefaultHandlerWritesToStandardErrorAndExitsMinusOne)
{
    EXPECT_EXIT(fatal_error(1, "boom"), fatal_exit(), "错误代码：1\n\n错误信息：boom");
}

namespace {
void record_and_return(const Text& report)
{
    std::fprintf(stderr, "handler saw %d bytes\n", txt_len(report));
}
} // namespace

TEST(FatalDeathTest, InstalledHandlerRunsThenTheProcessEnds)
{
    EXPECT_EXIT(
        {
            set_fatal_handler(record_and_return);
            fatal_error(1, "x");
        },
        fatal_exit(), "handler saw");
}

TEST(FatalDeathTest, OutOfMemoryNamesTheByteCount)
{
    EXPECT_EXIT(fatal_out_of_memory(12345), fatal_exit(), "分配 12345 字节内存失败!");
}

TEST(FatalDeathTest, FailedAllocationIsFatal)
{
    // The program's allocation functions turn a failed new into the fatal error.
    // Far beyond what the address space holds, on 32 and 64 bits alike.
    const std::size_t huge_size = std::size_t{1} << (sizeof(std::size_t) == 8 ? 60 : 31);
    EXPECT_EXIT(
        {
            volatile std::size_t huge = huge_size;
            char* p = new char[huge];
            p[0] = 1;
            std::printf("%p\n", static_cast<void*>(p));
        },
        fatal_exit(), "分配 " + std::to_string(huge_size) + " 字节内存失败!");
}
