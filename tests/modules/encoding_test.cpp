#include "modules/encoding.h"

#include "runtime/automation.h"
#include "runtime/charset.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <random>
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

// The program's own code converts with charset_convert: the same bytes as
// the stream component gives, for any input.
TEST(EncodingConvert, AgreesWithTheTypedConversion)
{
    // ASCII, zero, lead and trail bytes of both encodings, parts of byte-order marks and surrogates.
    static constexpr char pool[] = "a0\0\x80\x81\xa2\xe3\xd6\xd0\xdc\xd8\xef\xbb\xbf\xff\xfe\xed\xa0\xf0\x9f\x98";
    const std::pair<Charset, const char*> sets[] = {
        {Charset::utf8, "UTF-8"}, {Charset::gbk, "GBK"}, {Charset::unicode, "Unicode"}};
    std::mt19937 rng(5);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof pool - 2), length(0, 12);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        for (std::size_t n = length(rng); n > 0; --n)
            bytes.push_back(pool[pick(rng)]);
        const ByteArray in(bytes);
        for (const auto& [from, from_name] : sets) {
            for (const auto& [to, to_name] : sets)
                ASSERT_EQ(charset_convert(in, from, to), convert(in, from_name, to_name))
                    << testing::PrintToString(in) << " " << from_name << " to " << to_name;
        }
    }
}

} // namespace
