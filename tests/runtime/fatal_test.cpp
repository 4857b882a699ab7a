#include "runtime/fatal.h"

#include "runtime/codepage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <new>

using namespace fenrow;

TEST(FatalReport, Layout)
{
    EXPECT_EQ(fatal_report(4, "msg"), "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：msg\r\n"_t);
    EXPECT_EQ(fatal_report(0, "msg"), "运行时出错!\r\n\r\n错误信息：msg\r\n"_t);
}

TEST(FatalDeathTest, DefaultHandlerWritesToStandardErrorAndExitsMinusOne)
{
    EXPECT_EXIT(fatal_error(1, "boom"), testing::ExitedWithCode(255), "错误代码：1\n\n错误信息：boom");
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
        testing::ExitedWithCode(255), "handler saw");
}

TEST(FatalDeathTest, OutOfMemoryNamesTheByteCount)
{
    EXPECT_EXIT(fatal_out_of_memory(12345), testing::ExitedWithCode(255), "分配 12345 字节内存失败!");
}

TEST(FatalDeathTest, FailedAllocationIsFatal)
{
    // The program's allocation functions turn a failed new into the fatal error.
    EXPECT_EXIT(
        {
            volatile std::size_t huge = std::size_t{1} << 60;
            char* p = new char[huge];
            p[0] = 1;
            std::printf("%p\n", static_cast<void*>(p));
        },
        testing::ExitedWithCode(255), "分配 1152921504606846976 字节内存失败!");
}
