#include "runtime/automation.h"

#include "runtime/codepage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

using namespace fenrow;

namespace {

class Automation : public ::testing::Test {
protected:
    void SetUp() override { automation_thread_init(); }
    void TearDown() override { automation_thread_done(); }

    static AutomationObject regexp(const Text& pattern, bool global = true, bool multiline = false,
                                   bool ignore_case = false)
    {
        AutomationObject re;
        EXPECT_TRUE(obj_create(re, "VBScript.RegExp"));
        obj_put(re, "Pattern", pattern);
        obj_put(re, "Global", global);
        obj_put(re, "Multiline", multiline);
        obj_put(re, "IgnoreCase", ignore_case);
        return re;
    }
    static Text replace(const Text& pattern, const Text& subject, const Text& with, bool global = true)
    {
        return obj_call_text(regexp(pattern, global), "Replace", {subject, with});
    }
    static AutomationObject open_stream()
    {
        AutomationObject s;
        EXPECT_TRUE(obj_create(s, "Adodb.Stream"));
        obj_call(s, "Open");
        return s;
    }
};

TEST_F(Automation, UnknownIdentifierLeavesTheVariableAsItWas)
{
    AutomationObject o;
    EXPECT_FALSE(obj_create(o, "No.Such.Thing"));
    EXPECT_TRUE(obj_is_empty(o));
    ASSERT_TRUE(obj_create(o, "vbscript.REGEXP"));
    const AutomationObject before = o;
    EXPECT_FALSE(obj_create(o, "{3F4DACA4-0000-0000-0000-000000000000}"));
    EXPECT_EQ(o, before);
    obj_release(o);
    EXPECT_TRUE(obj_is_empty(o));
}

TEST_F(Automation, CallsOnAnEmptyObjectGiveEmptyResultsWithCodeMinusOne)
{
    const AutomationObject none;
    EXPECT_EQ(obj_get_text(none, "Pattern"), Text());
    EXPECT_EQ(obj_result_code(), result_empty_object);
    obj_put(regexp("x"), "Pattern", Text("y")); // a success between resets the code
    EXPECT_EQ(obj_get_number(none, "Count"), 0.0);
    EXPECT_EQ(obj_result_code(), -1);
    EXPECT_TRUE(obj_is_empty(obj_get_object(none, "Item", {0})));
    EXPECT_TRUE(obj_get_variant(none, "Item", {0}).is_empty());
    EXPECT_FALSE(obj_put(none, "Pattern", Text("x")));
    EXPECT_TRUE(obj_call_variant(none, "Read").is_empty());
    EXPECT_EQ(obj_call_text(none, "Replace", {Text("a"), Text("b")}), Text());
    EXPECT_TRUE(obj_is_empty(obj_call_object(none, "Execute", {Text("a")})));
    EXPECT_EQ(obj_result_code(), -1);
}

TEST_F(Automation, BooleansReadAsTextAreMinusOneAndZero)
{
    const AutomationObject re = regexp("x");
    EXPECT_EQ(obj_get_text(re, "Global"), Text("-1"));
    EXPECT_EQ(obj_get_text(re, "ignorecase"), Text("0"));
    EXPECT_EQ(obj_get_number(re, "GLOBAL"), -1.0);
}

TEST_F(Automation, PutOfAnUnknownNameFailsAndChangesNothing)
{
    const AutomationObject re = regexp("abc");
    EXPECT_FALSE(obj_put(re, "Singleline", true));
    EXPECT_EQ(obj_result_code(), result_no_member);
    EXPECT_EQ(obj_get_text(re, "Pattern"), Text("abc"));
    EXPECT_TRUE(obj_put(re, "pattern", Text("d")));
    EXPECT_EQ(obj_get_text(re, "Pattern"), Text("d"));
}

TEST_F(Automation, MembersBindInTheOrderOfEachOperation)
{
    const AutomationObject re = regexp("b");
    const AutomationObject matches = obj_get_object(re, "Execute", {Text("abcb")}); // get, then method
    EXPECT_EQ(obj_call_text(matches, "Count"), Text("2"));                          // method, then get
    EXPECT_TRUE(obj_put(re, "Test", Text("c"))); // put, putref, then method
}

TEST_F(Automation, ArgumentAndResultFailuresHaveTheirCodes)
{
    const AutomationObject re = regexp("a");
    struct Case {
        const char* what;
        std::function<void()> call;
        int code;
    } cases[] = {
        {"no such member", [&] { obj_call(re, "Frobnicate"); }, result_no_member},
        {"too many arguments", [&] { obj_call(re, "Execute", {Text("a"), Text("b")}); }, result_too_many_args},
        {"byte array argument", [&] { obj_call(re, "Execute", {ByteArray("a")}); }, result_bad_arg_type},
        {"object read as text", [&] { obj_get_text(re, "Execute", {Text("a")}); }, result_bad_result},
        {"text read as a number", [&] { obj_get_number(re, "Pattern"); }, result_bad_result},
        {"required argument absent", [&] { obj_call(re, "Execute"); }, result_bad_param_count},
        {"left out in the middle", [&] { obj_call(re, "Replace", {Missing{}, Text("b")}); }, result_param_not_optional},
        {"object for a text", [&] { obj_put(re, "Pattern", re); }, result_type_mismatch},
        {"item out of range", [&] { obj_get_object(obj_call_object(re, "Execute", {Text("a")}), "Item", {1}); },
         result_exception},
    };
    for (const Case& c : cases) {
        c.call();
        EXPECT_EQ(obj_result_code(), c.code) << c.what;
    }
    obj_call(re, "Execute", {Text("a"), Missing{}, Missing{}}); // trailing gaps are dropped
    EXPECT_EQ(obj_result_code(), result_ok);
}

TEST_F(Automation, ObjectsNeedAPreparedThreadAndStayOnIt)
{
    const AutomationObject re = regexp("a");
    int code_elsewhere = 99, code_on_fresh_thread = 99;
    bool created_unprepared = true;
    std::thread([&] {
        code_on_fresh_thread = obj_result_code();
        AutomationObject o;
        created_unprepared = obj_create(o, "VBScript.RegExp");
        obj_get_text(re, "Pattern");
        code_elsewhere = obj_result_code();
    }).join();
    EXPECT_EQ(code_on_fresh_thread, 0);
    EXPECT_FALSE(created_unprepared);
    EXPECT_EQ(code_elsewhere, result_failed);

    EXPECT_FALSE(automation_thread_init()); // counted: the fixture's init stands
    automation_thread_done();
    EXPECT_TRUE(automation_thread_ready());
}

TEST_F(Automation, Variants)
{
    Variant v;
    ASSERT_TRUE(var_assign(v, Text("ab")));
    EXPECT_TRUE(var_as_bytes(v).empty());
    EXPECT_EQ(var_as_text(v), Text("ab"));

    ASSERT_TRUE(var_assign(v, ByteArray()));
    ASSERT_TRUE(v.is_array());
    EXPECT_EQ(v.type(), VarType::ui1);
    EXPECT_EQ(v.array().count(), 0u);
    ASSERT_TRUE(var_assign(v, ByteArray(std::string("a\0b", 3))));
    EXPECT_EQ(var_as_bytes(v), ByteArray(std::string("a\0b", 3)));
    EXPECT_EQ(var_as_text(v), Text()); // an array has no text

    const std::pair<Arg, const char*> as_text[] = {
        {true, "-1"}, {false, "0"}, {std::int32_t{-7}, "-7"}, {1.5, "1.5"}, {1e20, "1E+20"},
        {std::int64_t{0x100000002}, "2"}, {std::uint8_t{255}, "255"}, {Variant(), ""}, {AutomationObject(), ""},
    };
    for (const auto& [value, text] : as_text) {
        var_assign(v, value);
        EXPECT_EQ(var_as_text(v), Text(text)) << text;
    }

    EXPECT_TRUE(var_set_type(v, 0));
    EXPECT_TRUE(v.is_empty());
    EXPECT_TRUE(var_set_type(v, 1));
    EXPECT_EQ(v.type(), VarType::i4);
    EXPECT_TRUE(var_set_type(v, 3));
    EXPECT_EQ(var_as_text(v), Text("0"));
    EXPECT_FALSE(var_set_type(v, 7));
    EXPECT_TRUE(v.is_empty());
    EXPECT_FALSE(var_set_type(v, 14));

    ASSERT_TRUE(var_create_array(v, 1, 3));
    EXPECT_EQ(var_as_bytes(v), ByteArray(std::string(3, '\0')));
    ASSERT_TRUE(var_create_array(v, 3, 2));
    EXPECT_EQ(v.array().items.size(), 2u);
    EXPECT_EQ(v.array().lower_bound, 1);
    EXPECT_TRUE(var_as_bytes(v).empty());
    EXPECT_FALSE(var_create_array(v, 11, 1));
    EXPECT_FALSE(var_create_array(v, 1, -1));
}

TEST(BstrConversion, AgreesWithTheExactFormsOfCodepage)
{
    // ASCII (digits are the second and fourth bytes of four-byte codes) among any other bytes.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coin(0, 9), ascii(0x21, 0x7F), high(0x80, 0xFF), length(0, 24);
    std::uniform_int_distribution<int> unit(0, 0xFFFF);
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        std::u16string units;
        for (int n = length(rng); n > 0; --n) {
            const int c = coin(rng);
            bytes.push_back(static_cast<char>(c < 3 ? ascii(rng) : c < 5 ? '0' + c : high(rng)));
            units.push_back(static_cast<char16_t>(c < 4 ? ascii(rng) : c < 6 ? 0xDC00 + high(rng) : unit(rng)));
        }
        const Text t(bytes);
        ASSERT_EQ(bstr_from_text(t), text_to_utf16_exact(t)) << testing::PrintToString(bytes);
        ASSERT_EQ(text_from_bstr(bstr_from_text(t)), t) << testing::PrintToString(bytes);
        ASSERT_EQ(text_from_bstr(units), text_from_utf16_exact(units));

        // A prefix of k units takes the bytes it converts back to, a pair whole or not at all.
        const std::u16string u = text_to_utf16_exact(t);
        std::size_t k = std::uniform_int_distribution<std::size_t>(0, u.size() + 1)(rng), whole = std::min(k, u.size());
        if (whole > 0 && whole < u.size() && u[whole - 1] >= 0xD800 && u[whole - 1] <= 0xDBFF && u[whole] >= 0xDC00 &&
            u[whole] <= 0xDFFF)
            --whole;
        ASSERT_EQ(bstr_prefix_bytes(t, static_cast<int>(k)), text_from_utf16_exact(u.substr(0, whole)).size())
            << testing::PrintToString(bytes) << " " << k;
    }
}

// ---- "VBScript.RegExp" ----

// The dialect itself is regex_test's; here the options set by name reach it.
TEST_F(Automation, RegExpTestFollowsTheOptionsSetByName)
{
    const auto test = [](const Text& pattern, bool multiline, bool ignore_case, const Text& subject) {
        return obj_call_text(regexp(pattern, false, multiline, ignore_case), "Test", {subject});
    };
    EXPECT_EQ(test("^b", false, false, "a\r\nb"), Text("0"));
    EXPECT_EQ(test("^b", true, false, "a\r\nb"), Text("-1"));
    EXPECT_EQ(test("\xa3\xc1", false, false, "\xa3\xe1"), Text("0")); // Ａ, ａ
    EXPECT_EQ(test("\xa3\xc1", false, true, "\xa3\xe1"), Text("-1"));
}

TEST_F(Automation, RegExpMatchesCountUtf16Units)
{
    // 中 is one unit, U+1F600 two; the dot takes the pair whole.
    const Text subject = "中😀x"_t;
    const AutomationObject matches = obj_call_object(regexp("(.)x|(q)"), "Execute", {subject});
    ASSERT_EQ(obj_get_number(matches, "Count"), 1);
    const AutomationObject m = obj_get_object(matches, "Item", {0});
    EXPECT_EQ(obj_get_number(m, "FirstIndex"), 1);
    EXPECT_EQ(obj_get_number(m, "Length"), 3);
    EXPECT_EQ(obj_get_text(m, "Value"), txt_right(subject, 5));
    const AutomationObject groups = obj_get_object(m, "SubMatches");
    EXPECT_EQ(obj_get_number(groups, "Count"), 2);
    EXPECT_EQ(obj_get_text(groups, "Item", {0}), "😀"_t);
    EXPECT_TRUE(obj_get_variant(groups, "Item", {1}).is_empty());
    EXPECT_EQ(obj_result_code(), result_ok);
    EXPECT_EQ(bstr_prefix_bytes(subject, 1), 2);
    EXPECT_EQ(bstr_prefix_bytes(subject, 2), 2); // inside the pair
    EXPECT_EQ(bstr_prefix_bytes(subject, 3), 6);
}

// The replacement tokens are regex_test's; here Replace by name, all or the first.
TEST_F(Automation, RegExpReplaceByName)
{
    EXPECT_EQ(replace("(a)(b)", "xabyab", "$2$1"), Text("xbayba"));
    EXPECT_EQ(replace("a", "aaa", "b", false), Text("baa"));
}

TEST_F(Automation, RegExpFailuresAreCleanAndEmpty)
{
    const Text hostile = "^(a+)+$";
    const Text subject = Text(std::string(40, 'a') + "b");
    for (const Text& pattern : {Text("("), hostile}) {
        const AutomationObject re = regexp(pattern);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(obj_is_empty(obj_call_object(re, "Execute", {subject})));
        EXPECT_EQ(obj_result_code(), result_exception);
        EXPECT_EQ(obj_call_text(re, "Replace", {subject, Text("x")}), Text());
        EXPECT_EQ(obj_result_code(), result_exception);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "no hang";
    }
}

// ---- "Adodb.Stream" ----

TEST_F(Automation, StreamPositionsAndTypes)
{
    const AutomationObject s = open_stream();
    obj_put(s, "Charset", Text("unicode"));
    obj_call(s, "WriteText", {Text("ab"), 1});
    EXPECT_EQ(obj_get_number(s, "Size"), 8); // no byte-order mark
    EXPECT_FALSE(obj_put(s, "Type", 1));     // only at the start
    EXPECT_EQ(obj_result_code(), result_exception);
    obj_call(s, "Write", {Variant()}); // text streams take no bytes
    EXPECT_EQ(obj_result_code(), result_exception);

    obj_put(s, "Position", 0);
    obj_put(s, "Type", 1);
    obj_put(s, "Position", 10);
    Variant v;
    var_assign(v, ByteArray("z"));
    obj_call(s, "Write", {v});
    obj_put(s, "Position", 6);
    EXPECT_EQ(var_as_bytes(obj_call_variant(s, "Read", {2})), ByteArray(std::string("\n\0", 2)));
    EXPECT_EQ(var_as_bytes(obj_call_variant(s, "Read")), ByteArray(std::string("\0\0z", 3)));
    EXPECT_TRUE(obj_call_variant(s, "Read").is_empty());

    EXPECT_FALSE(obj_put(s, "Charset", Text("EBCDIC")));
    obj_call(s, "Close");
    EXPECT_EQ(obj_get_number(s, "State"), 0);
    obj_call(s, "Read");
    EXPECT_EQ(obj_result_code(), result_exception);
}

} // namespace
