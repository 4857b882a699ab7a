#include "modules/encoding.h"

#include "runtime/automation.h"

#include <gtest/gtest.h>

#include <thread>

using namespace fenrow;

namespace {

ByteArray B(const char* s) { return ByteArray(std::string(s)); }

ByteArray convert(const ByteArray& data, const char* from, const char* to, std::optional<int> read_position = {})
{
    Text source = from, target = to;
    return encoding_convert(data, source, target, read_position);
}

TEST(EncodingConvert, Conversions)
{
    const struct {
        ByteArray in;
        const char *from, *to;
        std::optional<int> read_position;
        ByteArray out;
    } cases[] = {
        {B("\xe4\xb8\xad"), "", "", {}, B("\xd6\xd0")}, // 中
        {B("abc 123\r\n"), "", "", {}, B("abc 123\r\n")},
        {B(""), "", "", {}, B("")},
        {B("\xe4\xb8\xad\xe6\x96\x87" "ab"), "", "", 3, B("\xc4" "ab")},
        {B("abc"), "", "", 9, B("")},
        {B("\xef\xbb\xbf" "a"), "utf-8", "gbk", {}, B("a")}, // a byte-order mark goes
        {B("a\xff"), "", "", {}, B("a\x84\x31\xa4\x37")},     // U+FFFD
        {B("\xf0\x9f\x98\x80"), "", "", {}, B("\x94\x39\xfc\x36")},
        {B("\xd6\xd0" "a"), "GBK", "UTF-8", {}, B("\xe4\xb8\xad" "a")}, // and no mark is written
        {B("\xff" "a"), "GBK", "GBK", {}, B("\xff" "a")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(convert(c.in, c.from, c.to, c.read_position), c.out) << c.in.str() << " " << c.from << c.to;
}

TEST(EncodingConvert, DefaultsAreWrittenBack)
{
    Text source, target;
    encoding_convert(B("a"), source, target);
    EXPECT_EQ(source, Text("UTF-8"));
    EXPECT_EQ(target, Text("GBK"));
    source = "gbk";
    target = "utf-8";
    encoding_convert(B("a"), source, target);
    EXPECT_EQ(source, Text("gbk"));
    EXPECT_EQ(target, Text("utf-8"));
}

TEST(EncodingConvert, RunsOnAnyThreadAndLeavesItAsItWas)
{
    ByteArray out;
    bool ready_after = true;
    std::thread([&] {
        out = convert(B("\xe4\xb8\xad"), "", "");
        ready_after = automation_thread_ready();
    }).join();
    EXPECT_EQ(out, B("\xd6\xd0"));
    EXPECT_FALSE(ready_after);
}

TEST(EncodingConvert, WithoutTheStreamComponentTheResultIsEmpty)
{
    ComponentFactory stream = register_component("Adodb.Stream", {});
    const ByteArray out = convert(B("abc"), "", "");
    register_component("Adodb.Stream", stream);
    EXPECT_EQ(out, ByteArray());
    EXPECT_EQ(convert(B("abc"), "", ""), B("abc"));
}

} // namespace
