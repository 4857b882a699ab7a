#include "app/shell.h"

#include "app/control_table.h"
#include "runtime/codepage.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

using namespace fenrow;

namespace {

// A window without a screen, wired like the real one: content changes run
// their bound handler.
struct Window {
    MemoryControls ui{control_table()};
    Window()
    {
        ui.on_content_changed = [this](ControlName c) {
            if (Handler h = find_handler(c, Event::content_changed))
                h(ui);
        };
    }
    void raise(ControlName c, Event e) { find_handler(c, e)(ui); }
    Text hint() { return ui.pane_text("状态条1"_c, hint_pane); }
};

} // namespace

TEST(Hints, BoundControlsWriteTheirHintAndOthersLeaveIt)
{
    Window w;
    EXPECT_EQ(find_handler("标签3"_c, Event::mouse_moved), nullptr);
    EXPECT_EQ(find_handler("编辑框_前缀"_c, Event::mouse_moved), nullptr);
    w.raise("按钮_去空行"_c, Event::mouse_moved);
    EXPECT_EQ(w.hint(), "去空行：去除左右两侧的空行，显示在两侧！"_t);
    show_hint(w.ui, "选择框_前缀"_c); // no hint of its own: the last one stays
    EXPECT_EQ(w.hint(), "去空行：去除左右两侧的空行，显示在两侧！"_t);
    w.raise(ControlName{}, Event::mouse_moved);
    EXPECT_EQ(w.hint(), "Kaldrin v2.1 byBrenik"_t);
    w.raise("编辑框_顶层文本"_c, Event::mouse_moved);
    EXPECT_EQ(w.hint(), "顶层文本：生成的账号最顶端 加上特定内容！"_t);
    EXPECT_EQ(w.ui.pane_text("状态条1"_c, 0), "使用次数："_t);
}

TEST(LineCounts, FollowEveryChange)
{
    Window w;
    const struct {
        const char* text;
        const char* caption;
    } cases[] = {{"", "总共：1行 ↓"}, {"a\r\nb", "总共：2行 ↓"}, {"a\r\nb\r\n", "总共：3行 ↓"}, {"a\nb\rc", "总共：1行 ↓"}};
    for (const auto& c : cases) {
        w.ui.set_content("编辑框_后"_c, c.text);
        EXPECT_EQ(w.ui.caption("总数2"_c), text_from_utf8(c.caption)) << c.text;
    }
    w.ui.append_text("编辑框_原"_c, "x\r\n");
    EXPECT_EQ(w.ui.caption("总数1"_c), "总共：2行 ↓"_t);
    EXPECT_EQ(w.ui.caption("总数2"_c), "总共：1行 ↓"_t);
}

TEST(ClipboardButtons, CopyReportsSuccessEvenWhenTheClipboardFails)
{
    for (bool fails : {false, true}) {
        Window w;
        FakeDesktop desktop;
        desktop.clipboard_fails = fails;
        w.ui.set_content("编辑框_原"_c, "a\r\nb");
        w.raise("复制1"_c, Event::clicked);
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
    w.ui.set_content("编辑框_后"_c, "old\r\nlines");
    auto counter = w.ui.on_content_changed;
    w.ui.on_content_changed = [&](ControlName c) {
        ++changes;
        counter(c);
    };
    w.ui.set_clipboard("x\r\ny\r\nz");
    w.raise("粘贴2"_c, Event::clicked);
    EXPECT_EQ(w.ui.get_content("编辑框_后"_c).str(), "x\r\ny\r\nz");
    EXPECT_EQ(changes, 2); // emptied, then pasted: the counter follows both
    EXPECT_EQ(w.ui.caption("总数2"_c), "总共：3行 ↓"_t);
    EXPECT_EQ(w.ui.get_content("编辑框_原"_c).str(), "");
}

TEST(NotDeveloped, ShowsItsMessage)
{
    Window w;
    FakeDesktop desktop;
    w.raise("按钮_待开发"_c, Event::clicked);
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
    w.ui.set_content("编辑框_原"_c, "a\r\n\r\nb\r\n");
    w.ui.set_content("编辑框_后"_c, "\r\nc\r\n  \r\nd");
    w.raise("按钮_去空行"_c, Event::clicked);
    EXPECT_EQ(w.ui.get_content("编辑框_原"_c).str(), "a\r\nb");
    EXPECT_EQ(w.ui.get_content("编辑框_后"_c).str(), "c\r\nd");
    EXPECT_EQ(w.ui.caption("总数1"_c), "总共：2行 ↓"_t);
}
