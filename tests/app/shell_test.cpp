#include "app/shell.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "runtime/codepage.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/print.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace fenrow;

namespace {

// A window without a screen; it raises its events through the event table.
struct Window {
    MemoryControls ui{control_table()};
    void raise(ControlName c, Event e) { ui.raise(c, e); }
    Text hint() { return ui.pane_text(ctl::status_bar, hint_pane); }
};

} // namespace

TEST(Hints, BoundControlsWriteTheirHintAndOthersLeaveIt)
{
    Window w;
    EXPECT_EQ(find_handler(ctl::extract_note, Event::mouse_moved), nullptr);
    EXPECT_EQ(find_handler(ctl::prefix_text, Event::mouse_moved), nullptr);
    w.raise(ctl::blank_button, Event::mouse_moved);
    EXPECT_EQ(w.hint(), "去空行：去除左右两侧的空行，显示在两侧！"_t);
    show_hint(w.ui, ctl::prefix_check); // no hint of its own: the last one stays
    EXPECT_EQ(w.hint(), "去空行：去除左右两侧的空行，显示在两侧！"_t);
    w.raise(ControlName{}, Event::mouse_moved);
    EXPECT_EQ(w.hint(), "Kaldrin v2.1 byBrenik"_t);
    w.raise(ctl::top_line, Event::mouse_moved);
    EXPECT_EQ(w.hint(), "顶层文本：生成的账号最顶端 加上特定内容！"_t);
    EXPECT_EQ(w.ui.pane_text(ctl::status_bar, 0), "使用次数："_t);
}

TEST(LineCounts, FollowEveryChange)
{
    Window w;
    const struct {
        const char* text;
        const char* caption;
    } cases[] = {{"", "总共：1行 ↓"}, {"a\r\nb", "总共：2行 ↓"}, {"a\r\nb\r\n", "总共：3行 ↓"}, {"a\nb\rc", "总共：1行 ↓"}};
    for (const auto& c : cases) {
        w.ui.set_content(ctl::right_box, c.text);
        EXPECT_EQ(w.ui.caption(ctl::count_right), text_from_utf8(c.caption)) << c.text;
    }
    w.ui.append_text(ctl::left_box, "x\r\n");
    EXPECT_EQ(w.ui.caption(ctl::count_left), "总共：2行 ↓"_t);
    EXPECT_EQ(w.ui.caption(ctl::count_right), "总共：1行 ↓"_t);
}

TEST(ClipboardButtons, CopyReportsSuccessEvenWhenTheClipboardFails)
{
    for (bool fails : {false, true}) {
        Window w;
        FakeDesktop desktop;
        desktop.clipboard_fails = fails;
        w.ui.set_content(ctl::left_box, "a\r\nb");
        w.raise(ctl::copy_left, Event::clicked);
        EXPECT_EQ(desktop.clipboard, fails ? Text() : Text("a\r\nb"));
        ASSERT_EQ(desktop.boxes.size(), 1u);
        EXPECT_EQ(desktop.boxes[0].content, "复制成功!"_t);
        EXPECT_EQ(desktop.boxes[0].title, "复制"_t);
        EXPECT_EQ(desktop.boxes[0].style, 0);
    }
}

TEST(ClipboardButtons, PasteReplacesTheWholeBox)
{
    Window w;
    int changes = 0;
    w.ui.set_content(ctl::right_box, "old\r\nlines");
    w.ui.on_content_changed = [&](ControlName) { ++changes; };
    w.ui.set_clipboard("x\r\ny\r\nz");
    w.raise(ctl::paste_right, Event::clicked);
    EXPECT_EQ(w.ui.get_content(ctl::right_box).str(), "x\r\ny\r\nz");
    EXPECT_EQ(changes, 2); // emptied once the text is in hand, then pasted: the counter follows both
    EXPECT_EQ(w.ui.caption(ctl::count_right), "总共：3行 ↓"_t);
    EXPECT_EQ(w.ui.get_content(ctl::left_box).str(), "");
}

TEST(ClipboardButtons, APasteThatReadsNothingChangesNothingAndSaysWhy)
{
    const std::pair<ClipboardRead::Outcome, Text> cases[] = {{ClipboardRead::busy, "剪贴板被其他程序占用"_t},
                                                             {ClipboardRead::no_text, "剪贴板中没有文本"_t}};
    for (const auto& [outcome, why] : cases) {
        Window w;
        const Text kept("a----1\r\n\xd5\xcb\xba\xc5----2\r\n");
        w.ui.set_content(ctl::left_box, kept);
        int changes = 0;
        w.ui.on_content_changed = [&](ControlName) { ++changes; };
        w.ui.set_clipboard("new");
        w.ui.set_clipboard_unreadable(outcome);
        w.raise(ctl::paste_left, Event::clicked);
        EXPECT_EQ(w.ui.get_content(ctl::left_box), kept);
        EXPECT_EQ(changes, 0);
        EXPECT_EQ(w.hint(), why);
        w.ui.set_clipboard("new"); // readable again
        w.raise(ctl::paste_left, Event::clicked);
        EXPECT_EQ(w.ui.get_content(ctl::left_box).str(), "new");
    }
}

TEST(NotDeveloped, ShowsItsMessage)
{
    Window w;
    FakeDesktop desktop;
    w.raise(ctl::not_developed_button, Event::clicked);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].content, "其他功能待开发！"_t);
    EXPECT_EQ(desktop.boxes[0].title, "提示！"_t);
}

TEST(MessageBox, DefaultTitle)
{
    FakeDesktop desktop;
    EXPECT_EQ(message_box("x"), button_ok);
    EXPECT_EQ(desktop.boxes.at(0).title, "信息："_t);
}

TEST(Buttons, RemoveBlankLinesCleansBothBoxes)
{
    Window w;
    w.ui.set_content(ctl::left_box, "a\r\n\r\nb\r\n");
    w.ui.set_content(ctl::right_box, "\r\nc\r\n  \r\nd");
    w.raise(ctl::blank_button, Event::clicked);
    EXPECT_EQ(w.ui.get_content(ctl::left_box).str(), "a\r\nb");
    EXPECT_EQ(w.ui.get_content(ctl::right_box).str(), "c\r\nd");
    EXPECT_EQ(w.ui.caption(ctl::count_left), "总共：2行 ↓"_t);
}

namespace {

// The id of the tool's item in the box's "列表工具" submenu.
int tool_item(Window& w, ControlName box, ListTool tool)
{
    for (const BoxMenuItem& item : w.ui.menu(box)) {
        for (const BoxMenuItem& sub : item.items) {
            if (sub.tool == tool)
                return sub.id();
        }
    }
    return 0;
}

} // namespace

// One list from its own box's menu, two lists as 挑不重复 takes them; one
// undoable step each, the counts and the hint following.
TEST(ListToolMenu, RewritesTheBoxOrTheRightOneAsOneUndoableStep)
{
    Window w;
    w.ui.set_content(ctl::right_box, "Ab\r\nab\r\nc\r\n AB");
    w.ui.choose(ctl::right_box, tool_item(w, ctl::right_box, ListTool::dedupe_ignore_case));
    EXPECT_EQ(w.ui.get_content(ctl::right_box).str(), "Ab\r\nc\r\n AB");
    EXPECT_EQ(w.hint(), "去重复（不分大小写）：4 行 → 3 行"_t);
    EXPECT_EQ(w.ui.caption(ctl::count_right), "总共：3行 ↓"_t);
    w.ui.choose(ctl::right_box, BoxCommand::undo_operation);
    EXPECT_EQ(w.ui.get_content(ctl::right_box).str(), "Ab\r\nab\r\nc\r\n AB");

    w.ui.set_content(ctl::left_box, "x\r\ny\r\nz");
    w.ui.set_content(ctl::right_box, "z\r\nq\r\nx");
    w.ui.choose(ctl::left_box, tool_item(w, ctl::left_box, ListTool::intersect));
    EXPECT_EQ(w.ui.get_content(ctl::left_box).str(), "x\r\ny\r\nz");
    EXPECT_EQ(w.ui.get_content(ctl::right_box).str(), "x\r\nz");
    EXPECT_EQ(w.hint(), "两表共有：3 行 + 3 行 → 2 行"_t);
    w.ui.set_content(ctl::right_box, "");
    w.ui.choose(ctl::right_box, tool_item(w, ctl::right_box, ListTool::intersect));
    EXPECT_EQ(w.hint(), "两表共有：3 行 + 0 行 → 0 行"_t);
}

// The filter asks for its text, offers the last ones first, and runs as
// asked; cancelled or refused, nothing changes.
TEST(ListToolMenu, FilterAsksRemembersAndRefusesABadPattern)
{
    Window w;
    FakeDesktop desktop;
    w.ui.set_content(ctl::left_box, "a1\r\nb2\r\nA3");
    const int keep = tool_item(w, ctl::left_box, ListTool::keep_containing);
    w.ui.choose(ctl::left_box, keep); // cancelled
    EXPECT_EQ(w.ui.filter_question().title, "保留含有…的行"_t);
    EXPECT_EQ(w.ui.get_content(ctl::left_box).str(), "a1\r\nb2\r\nA3");

    w.ui.answer_filter(FilterOptions{.text = "a", .ignore_case = true});
    w.ui.choose(ctl::left_box, keep);
    EXPECT_EQ(w.ui.get_content(ctl::left_box).str(), "a1\r\nA3");
    EXPECT_EQ(w.hint(), "保留含有“a”的行：3 行 → 2 行"_t);
    const int drop = tool_item(w, ctl::left_box, ListTool::drop_containing);
    w.ui.answer_filter(FilterOptions{.text = "1"});
    w.ui.choose(ctl::left_box, drop);
    EXPECT_EQ(w.ui.get_content(ctl::left_box).str(), "A3");
    EXPECT_TRUE(w.ui.filter_question().last.ignore_case); // as asked, before this answer
    w.ui.answer_filter(FilterOptions{.text = "a"});
    w.ui.choose(ctl::left_box, drop);
    w.ui.answer_filter(std::nullopt);
    w.ui.choose(ctl::left_box, drop);
    EXPECT_EQ(w.ui.filter_question().recent, (std::vector<Text>{"a", "1"}));
    EXPECT_FALSE(w.ui.filter_question().last.ignore_case);

    w.ui.set_content(ctl::left_box, "a1\r\nb2");
    w.ui.answer_filter(FilterOptions{.text = "(", .regex = true});
    w.ui.choose(ctl::left_box, tool_item(w, ctl::left_box, ListTool::drop_containing));
    EXPECT_EQ(w.ui.get_content(ctl::left_box).str(), "a1\r\nb2");
    EXPECT_EQ(desktop.boxes.size(), 1u);
}

// The submenu item that opens the box's file again in that encoding (0: none
// enabled), as the user finds it.
int reopen_item(Window& w, ControlName box, FileEncoding e)
{
    for (const BoxMenuItem& item : w.ui.menu(box)) {
        for (const BoxMenuItem& sub : item.items) {
            if (sub.reopen_in == e && sub.enabled && item.enabled)
                return sub.id();
        }
    }
    return 0;
}

// A file opens in the encoding its bytes show, the hint pane says which, and
// it opens again in any other as an undoable step; no byte is lost on the way.
TEST(ReopenMenu, OpensTheFileAgainInTheChosenEncoding)
{
    const test::TempDir dir("fenrow-reopen");
    const std::string big5 = "\xB1\x69\xB0\xB6,\xB1\x4B\xBD\x58" "123\r\n\xB3\xAF\xA4\x6A\xA4\xE5,abc\r\n"; // 張偉,密碼123 陳大文,abc
    std::ofstream(dir.path() / "list.txt", std::ios::binary) << big5;
    const Text path = text_from_utf8((dir.path() / "list.txt").string());
    Window w;
    EXPECT_EQ(reopen_item(w, ctl::left_box, FileEncoding::gbk), 0); // nothing opened yet
    ASSERT_TRUE(w.ui.box(ctl::left_box).open_file(path));
    const Text traditional = text_from_utf8("張偉,密碼123\r\n陳大文,abc\r\n");
    EXPECT_EQ(w.ui.get_content(ctl::left_box), traditional);
    EXPECT_EQ(w.hint(), "已按 Big5 编码打开 list.txt：2 行"_t);

    // GBK and UTF-8 decode none of it the Big5 way: the bytes stay as they are.
    for (FileEncoding e : {FileEncoding::gbk, FileEncoding::utf8}) {
        w.ui.choose(ctl::left_box, reopen_item(w, ctl::left_box, e));
        EXPECT_EQ(w.ui.get_content(ctl::left_box).str(), big5);
    }
    EXPECT_EQ(w.hint(), "已按 UTF-8 编码打开 list.txt：2 行"_t);
    // Each reading is a step of its own.
    for (FileEncoding e : {FileEncoding::utf16le, FileEncoding::utf16be}) {
        w.ui.choose(ctl::left_box, reopen_item(w, ctl::left_box, e));
        EXPECT_EQ(w.hint(), "已按 "_t + Text(encoding_name(e)) + " 编码打开 list.txt：1 行"_t);
        w.ui.choose(ctl::left_box, BoxCommand::undo_operation);
        EXPECT_EQ(w.ui.get_content(ctl::left_box).str(), big5);
    }
    w.ui.choose(ctl::left_box, reopen_item(w, ctl::left_box, FileEncoding::big5));
    EXPECT_EQ(w.ui.get_content(ctl::left_box), traditional);
    EXPECT_EQ(reopen_item(w, ctl::right_box, FileEncoding::big5), 0); // the other box opened nothing
}
