#include "ops/controls.h"

#include "app/control_table.h"
#include "runtime/codepage.h"

#include <gtest/gtest.h>

using namespace fenrow;

TEST(LineCount, CrLfPairsPlusOne)
{
    const struct {
        const char* text;
        int lines;
    } cases[] = {{"", 1}, {"a\r\nb", 2}, {"a\r\nb\r\n", 3}, {"a\nb", 1}, {"a\rb", 1}, {"\r\r\n\n", 2}};
    for (const auto& c : cases)
        EXPECT_EQ(count_box_lines(c.text), c.lines) << c.text;
}

TEST(MemoryControls, StartsWithTheTableAndRaisesContentChangedOncePerWrite)
{
    MemoryControls ui(control_table());
    EXPECT_EQ(ui.get_content("编辑框_提取尾"_c).str(), ",");
    EXPECT_EQ(ui.get_content("编辑框_生成文本名"_c), "账号"_t);
    EXPECT_TRUE(ui.is_checked("单选框_前"_c));
    EXPECT_FALSE(ui.is_checked("单选框_后"_c));
    EXPECT_EQ(ui.get_selection("组合框_生成后缀"_c), 0);
    EXPECT_EQ(ui.get_item("组合框_生成后缀"_c, 1).str(), ".ini");
    EXPECT_EQ(ui.get_item("组合框_生成后缀"_c, 2).str(), "");
    EXPECT_EQ(ui.get_item("组合框_生成后缀"_c, -1).str(), "");
    EXPECT_EQ(ui.pane_text("状态条1"_c, 2), "操作提示："_t);

    int raised = 0;
    ui.on_content_changed = [&](ControlName) { ++raised; };
    ui.set_content("编辑框_后"_c, "x");
    ui.set_content("编辑框_后"_c, "x"); // the same text still counts
    ui.append_text("编辑框_后"_c, "\r\ny");
    EXPECT_EQ(raised, 3);
    EXPECT_EQ(ui.get_content("编辑框_后"_c).str(), "x\r\ny");
    EXPECT_EQ(ui.get_line_count("编辑框_后"_c), 2);

    ui.set_pane_text("状态条1"_c, 4, "ignored");
    ui.set_pane_text("状态条1"_c, -1, "ignored");
    EXPECT_EQ(ui.pane_text("状态条1"_c, 3).str(), "");

    ui.set_checked("单选框_后"_c, true);
    EXPECT_FALSE(ui.is_checked("单选框_前"_c));
    ui.set_checked("选择框_前缀"_c, false);
    EXPECT_TRUE(ui.is_checked("选择框_后缀"_c));
}

struct LayoutCase {
    int w, h;
    Rect src, dst, copy2, paste1, paste2, count2, group1, label11;
};

TEST(Layout, RuleAtSeveralSizes)
{
    const LayoutCase cases[] = {
        // The design size reproduces the design geometry.
        {722, 514, {5, 32, 241, 455}, {256, 32, 241, 455}, {256, 5, 80, 24}, {166, 5, 80, 24}, {417, 5, 80, 24},
         {341, 5, 80, 24}, {502, 27, 210, 80}, {502, 469, 209, 20}},
        {1000, 700, {5, 32, 380, 641}, {395, 32, 380, 641}, {395, 5, 80, 24}, {305, 5, 80, 24}, {695, 5, 80, 24},
         {480, 5, 80, 24}, {780, 27, 210, 80}, {780, 655, 209, 20}},
        // Narrow windows give the large boxes no width at all; nothing stops that.
        {240, 300, {5, 32, 0, 241}, {15, 32, 0, 241}, {15, 5, 80, 24}, {-75, 5, 80, 24}, {-65, 5, 80, 24},
         {100, 5, 80, 24}, {20, 27, 210, 80}, {20, 255, 209, 20}},
        // Minimised: a 0 x 0 client area.
        {0, 0, {5, 32, -120, -59}, {-105, 32, -120, -59}, {-105, 5, 80, 24}, {-195, 5, 80, 24},
         {-305, 5, 80, 24}, {-20, 5, 80, 24}, {-220, 27, 210, 80}, {-220, -45, 209, 20}},
    };
    MemoryControls ui(control_table());
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        ui.set_client_size(c.w, c.h);
        layout_controls(ui);
        EXPECT_EQ(ui.get_geometry("编辑框_原"_c), c.src);
        EXPECT_EQ(ui.get_geometry("编辑框_后"_c), c.dst);
        EXPECT_EQ(ui.get_geometry("复制1"_c).left, 5);
        EXPECT_EQ(ui.get_geometry("复制2"_c), c.copy2);
        EXPECT_EQ(ui.get_geometry("粘贴1"_c), c.paste1);
        EXPECT_EQ(ui.get_geometry("粘贴2"_c), c.paste2);
        EXPECT_EQ(ui.get_geometry("总数1"_c).left, 90);
        EXPECT_EQ(ui.get_geometry("总数2"_c), c.count2);
        EXPECT_EQ(ui.get_geometry("分组框1"_c), c.group1);
        for (ControlName g : {"分组框2"_c, "分组框3"_c, "分组框4"_c, "分组框5"_c})
            EXPECT_EQ(ui.get_geometry(g).left, c.group1.left);
        EXPECT_EQ(ui.get_geometry("标签11"_c), c.label11);
        // Tops and the hyperlink label never move.
        EXPECT_EQ(ui.get_geometry("分组框3"_c).top, 187);
        EXPECT_EQ(ui.get_geometry("超级链接框1"_c), (Rect{506, 448, 202, 16}));
    }
    // Restoring brings every control back to its place.
    MemoryControls fresh(control_table());
    ui.set_client_size(722, 514);
    layout_controls(ui);
    for (const ControlSpec& c : control_table()) {
        const bool moved_by_design = c.name == "总数1"_c || c.name == "总数2"_c || c.name == "粘贴1"_c ||
                                     c.name == "粘贴2"_c || c.name == "编辑框_后"_c || c.name == "复制2"_c ||
                                     c.name == "标签11"_c;
        if (!moved_by_design) {
            EXPECT_EQ(ui.get_geometry(c.name), fresh.get_geometry(c.name)) << c.name.utf8;
        }
    }
}

TEST(ControlTable, NamesAreUniqueAndContainersComeFirst)
{
    std::vector<std::string_view> seen;
    for (const ControlSpec& c : control_table()) {
        EXPECT_EQ(std::count(seen.begin(), seen.end(), c.name.utf8), 0) << c.name.utf8;
        if (!c.container.utf8.empty()) {
            EXPECT_NE(std::count(seen.begin(), seen.end(), c.container.utf8), 0) << c.name.utf8;
            EXPECT_EQ(find_control(c.container)->kind, ControlKind::group_box);
        }
        seen.push_back(c.name.utf8);
    }
    EXPECT_EQ(std::count_if(control_table().begin(), control_table().end(),
                            [](const ControlSpec& c) { return c.kind == ControlKind::edit; }),
              13);
    EXPECT_NE(hint_for("编辑框_顶层文本"_c), nullptr);
    EXPECT_EQ(hint_for("编辑框_前缀"_c), nullptr);
}
