#include "ops/extract.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "ops/handlers.h"
#include "runtime/codepage.h"
#include "runtime/work_pool.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>

using namespace fenrow;

namespace {

const ControlName source_box = ctl::left_box, head_box = ctl::extract_head, tail_box = ctl::extract_tail;

TEST(ExtractAccounts, OneResultLinePerSourceLine)
{
    // No result: the markers fail the whole-source check and the message shows.
    const std::optional<Text> refused;
    const struct {
        Text source, head, tail;
        std::optional<Text> result;
    } cases[] = {
        {"u1----p1,\r\nu2----p2,\r\nfoo", "----", ",", "p1\r\np2\r\n\r\n"},
        {"u1----p1,x", "----", ",", "p1\r\n"},
        {"u1----p1,x", "", ",", "u1----p1\r\n"},
        {"u1----p1,x", "----", "", "p1,x\r\n"},
        {"u1----p1,x", "", "", "u1----p1,x\r\n"},
        {"u1----p1\r\nx,", "----", ",", "\r\n\r\n"},       // no tail behind the head; no head
        {"a,b,c\r\nd", "", "", "a,b,c\r\nd\r\n"},          // both empty: lines unchanged, CR LF behind the last
        {"a\r\n", "", "", "a\r\n"},                       // a final CR LF gives no extra line
        {"\r\nu1,\r\n\r\nu2,", "", ",", "\r\nu1\r\n\r\nu2\r\n"}, // empty lines stay in place
        {"\r\n", "", "", "\r\n"},
        {"Name:Bob;\r\nname:", "name:", ";", "Bob\r\n\r\n"}, // per line ASCII case is ignored
        {"NAME:bob;", "name:", ";", refused},            // the check keeps case
        {"k=\"v\";\r\n#引号"_t, "#引号"_t, "#引号"_t, "v\r\n\r\n"}, // the token means a quote per line
        {"k=\"v\";", "#引号"_t, "#引号"_t, refused},     // but the check looks for the token itself
        {",a,", ",", ",", "a\r\n"},                       // the tail is searched behind the head
        {"x----a,b----c,", "----", ",", "a\r\n"},         // the first head counts
        {"中y\r\n"_t + Text("\xd0y,"), "\xd0y", "", "\r\n,\r\n"},     // markers only at character boundaries
        {"用户:张三;"_t, "用户:"_t, ";", "张三\r\n"_t},
        {"u1----p1", "#", "", refused},
        {"u1----p1", "", "#", refused},
        {"", "", "", refused},                             // an empty source always fails
        {"", "a", "b", refused},
    };
    for (const auto& c : cases) {
        FakeDesktop desktop;
        MemoryControls ui(control_table());
        ui.set_content(source_box, c.source);
        ui.set_content(head_box, c.head);
        ui.set_content(tail_box, c.tail);
        extract_accounts(ui);
        const std::string label = testing::PrintToString(c.source) + " | " + testing::PrintToString(c.head);
        if (c.result) {
            EXPECT_EQ(ui.get_content(source_box), *c.result) << label;
            EXPECT_EQ(ui.content_changed_count(source_box), 2) << label;
            EXPECT_TRUE(desktop.boxes.empty()) << label;
        } else {
            EXPECT_EQ(ui.get_content(source_box), c.source) << label;
            EXPECT_EQ(ui.content_changed_count(source_box), 1) << label; // only the test's own write
            ASSERT_EQ(desktop.boxes.size(), 1u) << label;
            EXPECT_EQ(desktop.boxes[0].content, "请输入正确的帐号前后字符,没有请留空"_t);
            EXPECT_EQ(desktop.boxes[0].title, "提示"_t);
            EXPECT_EQ(desktop.boxes[0].style, 0);
        }
        EXPECT_EQ(ui.get_content(head_box), c.head) << label;
        EXPECT_EQ(ui.get_content(tail_box), c.tail) << label;
        EXPECT_EQ(ui.get_content(ctl::right_box), Text()) << label;
    }
}

TEST(ExtractAccounts, OnThePoolTheSameBytes)
{
    const char* const pieces[] = {"user", "USER", "----", ",", "\"", "\xa3\xad", "\xd6", "\r", "\n", "\r\n", "\r\n", "x7"};
    std::mt19937 rng(3);
    std::string list;
    while (list.size() < (3u << 20))
        list += pieces[rng() % std::size(pieces)];
    WorkPool pool(3);
    const ExtractOptions markers[] = {{"user", "----"}, {"", ","}, {"#引号"_t, "#引号"_t}, {"----", ""}};
    for (const ExtractOptions& o : markers)
        ASSERT_EQ(extract(Text(list), o, &pool).list, extract(Text(list), o).list) << o.head.str();
}

} // namespace
