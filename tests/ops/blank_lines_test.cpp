#include "ops/blank_lines.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "ops/handlers.h"
#include "runtime/automation.h"
#include "runtime/codepage.h"
#include "runtime/work_pool.h"
#include "tests/support/blank_lines_reference.h"

#include <gtest/gtest.h>

#include <random>

using namespace fenrow;

namespace {

// The deletion rule in words: cut one CR LF from each end; then at every LF
// take the whitespace run behind it, and if the run holds a CR delete from the
// LF through the run's last CR.
Text reference(const Text& text)
{
    std::string t = text.str();
    if (t.starts_with("\r\n"))
        t.erase(0, 2);
    if (t.ends_with("\r\n"))
        t.erase(t.size() - 2);
    const auto white = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
    std::string out;
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] == '\n') {
            std::size_t last_cr = std::string::npos;
            for (std::size_t j = i + 1; j < t.size() && white(t[j]); ++j)
                if (t[j] == '\r')
                    last_cr = j;
            if (last_cr != std::string::npos) {
                i = last_cr + 1;
                continue;
            }
        }
        out += t[i++];
    }
    return Text(std::move(out));
}

TEST(RemoveBlankLines, Examples)
{
    const struct {
        Text in, out;
    } cases[] = {
        {"a\r\n\r\nb", "a\r\nb"},
        {"a\r\n  \r\n\t\r\nb", "a\r\nb"},
        {"a  \r\n\r\n  b", "a  \r\n  b"},
        {"a\r\nb\r\n", "a\r\nb"},
        {"a\r\nb\r\n\r\n", "a\r\nb\r\n"},
        {"\r\na", "a"},
        {"\r\n\r\na", "\r\na"},
        {"\r\n\r\n", ""},
        {"\r\n\r\n\r\n", "\r\n"},
        {"a\r\n   ", "a\r\n   "},
        {"a\n\nb", "a\n\nb"},
        {"", ""},
        {"a\r\n　　\r\nb"_t, "a\r\n　　\r\nb"_t}, // full-width spaces are not blank
        {"中\r\n\v\f\r\n文"_t, "中\r\n文"_t},
    };
    for (const auto& c : cases)
        EXPECT_EQ(remove_blank_lines(c.in), c.out) << c.in.str();
}

TEST(RemoveBlankLines, AgreesWithTheRuleOnRandomTexts)
{
    const char* const pieces[] = {"\r", "\n", "\r\n", "\r\n", " ", "\t", "\v", "\f", "a", "b",
                                  "\xd6\xd0", "\xa1\xa1", "\x81", "\xff", "\x94\x39\xfc\x36"};
    std::mt19937 rng(4);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1), length(0, 30);
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        for (std::size_t n = length(rng); n > 0; --n)
            s += pieces[piece(rng)];
        const Text t(s);
        ASSERT_EQ(remove_blank_lines(t), reference(t)) << testing::PrintToString(s);
        ASSERT_EQ(remove_blank_lines(Text(s)), reference(t)) << "in place: " << testing::PrintToString(s);
        ASSERT_EQ(remove_blank_lines_by_expression(t), reference(t)) << testing::PrintToString(s);
    }
}

TEST(RemoveBlankLines, InChunksOnThePoolTheSameBytes)
{
    // Chunks of a few bytes, so that their edges fall among blank runs of every kind.
    const char* const pieces[] = {"\r\n", "\r\n", "\r\n\r\n", "\n", "\r", " ", "\t", "\v\f", "ab", "x",
                                  "\xd6\xd0", "\x81", "\r\n \t\r\n", "\n\r"};
    std::mt19937 rng(8);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1), length(0, 300);
    WorkPool pool(3);
    for (int round = 0; round < 2000; ++round) {
        std::string s;
        for (std::size_t n = length(rng); n > 0; --n)
            s += pieces[piece(rng)];
        const Text expected = remove_blank_lines(Text(s));
        for (WorkPool* p : {&pool, static_cast<WorkPool*>(nullptr)})
            ASSERT_EQ(remove_blank_lines_anew(s, p, 8).value_or(Text(s)), expected) << testing::PrintToString(s);
    }
}

// Stands in for the engine: accepts the search, fails the replacement.
class FailingReplace : public Component {
public:
    std::span<const Member> members() const override
    {
        const auto ok = [](Component&, Args, Variant&) { return 0; };
        static const std::vector<Member> table = {
            {"IgnoreCase", invoke_put, {VarType::variant}, 0, ok},
            {"Multiline", invoke_put, {VarType::variant}, 0, ok},
            {"Global", invoke_put, {VarType::variant}, 0, ok},
            {"Pattern", invoke_put, {VarType::variant}, 0, ok},
            {"Execute", invoke_method, {VarType::variant}, 0,
             [](Component&, Args, Variant& r) {
                 r = Variant::of_object(AutomationObject(std::make_shared<FailingReplace>()));
                 return 0;
             }},
            {"Replace", invoke_method, {VarType::variant, VarType::variant}, 0,
             [](Component&, Args, Variant&) { return static_cast<int>(result_exception); }},
        };
        return table;
    }
};

TEST(RemoveBlankLines, WhenTheEngineFailsTheTextStaysAsItWas)
{
    const Text t = "\r\na\r\n\r\nb\r\n";
    for (const ComponentFactory& stand_in :
         {ComponentFactory(), ComponentFactory([] { return std::make_shared<FailingReplace>(); })}) {
        const ComponentFactory engine = register_component("VBScript.RegExp", stand_in);
        const Text out = remove_blank_lines_by_expression(t);
        register_component("VBScript.RegExp", engine);
        EXPECT_EQ(out, t);
    }
    EXPECT_EQ(remove_blank_lines_by_expression(t), Text("a\r\nb"));
}

TEST(RemoveBlankLinesInBoth, CleansBothBoxes)
{
    MemoryControls ui(control_table());
    remove_blank_lines_in_both(ui);
    EXPECT_EQ(ui.get_content(ctl::left_box), Text());
    EXPECT_EQ(ui.get_content(ctl::right_box), Text());
    EXPECT_EQ(ui.content_changed_count(ctl::left_box), 1);
    EXPECT_EQ(ui.content_changed_count(ctl::right_box), 1);

    ui.set_content(ctl::left_box, "a\r\n\r\nb\r\n");
    ui.set_content(ctl::right_box, "\r\nc\r\n \r\nd");
    remove_blank_lines_in_both(ui);
    EXPECT_EQ(ui.get_content(ctl::left_box), Text("a\r\nb"));
    EXPECT_EQ(ui.get_content(ctl::right_box), Text("c\r\nd"));
    EXPECT_EQ(ui.content_changed_count(ctl::left_box), 3);
    EXPECT_EQ(ui.content_changed_count(ctl::right_box), 3);
}

} // namespace
