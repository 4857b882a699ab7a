#include "ops/controls.h"

#include "app/control_table.h"
#include "app/memory_window.h"
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
    EXPECT_EQ(ui.get_content(ctl::extract_tail).str(), ",");
    EXPECT_EQ(ui.get_content(ctl::file_name), "账号"_t);
    EXPECT_TRUE(ui.is_checked(ctl::mark_first));
    EXPECT_FALSE(ui.is_checked(ctl::mark_last));
    EXPECT_EQ(ui.get_selection(ctl::file_extension), 0);
    EXPECT_EQ(ui.get_item(ctl::file_extension, 1).str(), ".ini");
    EXPECT_EQ(ui.get_item(ctl::file_extension, 2).str(), "");
    EXPECT_EQ(ui.get_item(ctl::file_extension, -1).str(), "");
    EXPECT_EQ(ui.pane_text(ctl::status_bar, 2), "操作提示："_t);

    int raised = 0;
    ui.on_content_changed = [&](ControlName) { ++raised; };
    ui.set_content(ctl::right_box, "x");
    ui.set_content(ctl::right_box, "x"); // the same text still counts
    ui.append_text(ctl::right_box, "\r\ny");
    EXPECT_EQ(raised, 3);
    EXPECT_EQ(ui.get_content(ctl::right_box).str(), "x\r\ny");
    EXPECT_EQ(ui.get_line_count(ctl::right_box), 2);

    ui.set_pane_text(ctl::status_bar, 4, "ignored");
    ui.set_pane_text(ctl::status_bar, -1, "ignored");
    EXPECT_EQ(ui.pane_text(ctl::status_bar, 3).str(), "");

    ui.set_checked(ctl::mark_last, true);
    EXPECT_FALSE(ui.is_checked(ctl::mark_first));
    ui.set_checked(ctl::prefix_check, false);
    EXPECT_TRUE(ui.is_checked(ctl::suffix_check));
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
        EXPECT_EQ(ui.get_geometry(ctl::left_box), c.src);
        EXPECT_EQ(ui.get_geometry(ctl::right_box), c.dst);
        EXPECT_EQ(ui.get_geometry(ctl::copy_left).left, 5);
        EXPECT_EQ(ui.get_geometry(ctl::copy_right), c.copy2);
        EXPECT_EQ(ui.get_geometry(ctl::paste_left), c.paste1);
        EXPECT_EQ(ui.get_geometry(ctl::paste_right), c.paste2);
        EXPECT_EQ(ui.get_geometry(ctl::count_left).left, 90);
        EXPECT_EQ(ui.get_geometry(ctl::count_right), c.count2);
        EXPECT_EQ(ui.get_geometry(ctl::extract_group), c.group1);
        for (ControlName g : {ctl::conversion_group, ctl::generate_group, ctl::clean_group, ctl::mark_group})
            EXPECT_EQ(ui.get_geometry(g).left, c.group1.left);
        EXPECT_EQ(ui.get_geometry(ctl::pointer_note), c.label11);
        // Tops and the hyperlink label never move.
        EXPECT_EQ(ui.get_geometry(ctl::generate_group).top, 187);
        EXPECT_EQ(ui.get_geometry(ctl::feedback_link), (Rect{506, 448, 202, 16}));
    }
    // Restoring brings every control back to its place.
    MemoryControls fresh(control_table());
    ui.set_client_size(722, 514);
    layout_controls(ui);
    for (const ControlSpec& c : control_table()) {
        const bool moved_by_design = c.name == ctl::count_left || c.name == ctl::count_right || c.name == ctl::paste_left ||
                                     c.name == ctl::paste_right || c.name == ctl::right_box || c.name == ctl::copy_right ||
                                     c.name == ctl::pointer_note;
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
    EXPECT_NE(hint_for(ctl::top_line), nullptr);
    EXPECT_EQ(hint_for(ctl::prefix_text), nullptr);
}
