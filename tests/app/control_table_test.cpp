#include "app/control_table.h"

#include "app/memory_window.h"
#include "runtime/codepage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string_view>

using namespace fenrow;

TEST(ControlNames, EachNamesOneControlOfTheTableWithItsKind)
{
    using K = ControlKind;
    using namespace ctl;
    const struct {
        ControlName name;
        ControlKind kind;
    } named[] = {
        {copy_left, K::button}, {count_left, K::label}, {paste_left, K::button},
        {copy_right, K::button}, {count_right, K::label}, {paste_right, K::button},
        {left_box, K::edit}, {right_box, K::edit},
        {extract_group, K::group_box}, {extract_head_label, K::label}, {extract_head, K::edit},
        {extract_tail_label, K::label}, {extract_tail, K::edit}, {extract_note, K::label}, {extract_button, K::button},
        {conversion_group, K::group_box}, {prefix_check, K::check_box}, {prefix_text, K::edit}, {prefix_note, K::label},
        {suffix_check, K::check_box}, {suffix_symbol, K::edit}, {suffix_plus, K::label}, {suffix_text, K::edit},
        {convert_button, K::button},
        {generate_group, K::group_box}, {file_name_label, K::label}, {file_name, K::edit},
        {file_extension, K::combo_box}, {top_line_check, K::check_box}, {top_line, K::edit},
        {number_check, K::check_box}, {number_separator, K::edit}, {number_note, K::label},
        {generate_button, K::button}, {block_size_label, K::label}, {block_size, K::edit},
        {mark_group, K::group_box}, {group_size_label, K::label}, {group_size, K::edit}, {mark_check, K::check_box},
        {mark_symbol, K::edit}, {mark_first, K::radio_box}, {mark_last, K::radio_box}, {mark_note, K::label},
        {mark_button, K::button},
        {clean_group, K::group_box}, {pick_button, K::button}, {dedupe_button, K::button}, {blank_button, K::button},
        {not_developed_button, K::button},
        {feedback_link, K::hyperlink}, {pointer_note, K::label}, {status_bar, K::status_bar},
    };
    std::set<std::string_view> seen;
    for (const auto& n : named) {
        const ControlSpec* row = find_control(n.name);
        ASSERT_NE(row, nullptr) << n.name.utf8;
        EXPECT_EQ(row->kind, n.kind) << n.name.utf8;
        EXPECT_TRUE(seen.insert(n.name.utf8).second) << n.name.utf8;
    }
    EXPECT_EQ(seen.size(), control_table().size()); // and every control has its constant
    EXPECT_EQ(find_control(main_window), nullptr);
}

TEST(LineCount, CrLfPairsPlusOne)
{
    const struct {
        const char* text;
        int lines;
    } cases[] = {{"", 1}, {"a\r\nb", 2}, {"a\r\nb\r\n", 3}, {"a\nb", 1}, {"a\rb", 1}, {"\r\r\n\n", 2}};
    for (const auto& c : cases)
        EXPECT_EQ(count_box_lines(c.text), c.lines) << c.text;
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
         {341, 5, 74, 24}, {502, 27, 210, 80}, {502, 469, 209, 20}},
        {1000, 700, {5, 32, 380, 641}, {395, 32, 380, 641}, {395, 5, 80, 24}, {305, 5, 80, 24}, {695, 5, 80, 24},
         {480, 5, 213, 24}, {780, 27, 210, 80}, {780, 655, 209, 20}},
        // Narrow windows give the large boxes no width at all; nothing stops that.
        {240, 300, {5, 32, 0, 241}, {15, 32, 0, 241}, {15, 5, 80, 24}, {-75, 5, 80, 24}, {-65, 5, 80, 24},
         {100, 5, -167, 24}, {20, 27, 210, 80}, {20, 255, 209, 20}},
        // Minimised: a 0 x 0 client area.
        {0, 0, {5, 32, -120, -59}, {-105, 32, -120, -59}, {-105, 5, 80, 24}, {-195, 5, 80, 24},
         {-305, 5, 80, 24}, {-20, 5, -287, 24}, {-220, 27, 210, 80}, {-220, -45, 209, 20}},
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

// Neighbours in the design stay neighbours at every scale, a negative size
// mirrors a positive one, and the scaled design size comes back whole.
TEST(Scale, EdgesScaleAndDesignSizesComeBack)
{
    for (const int dpi : {96, 108, 120, 144, 168, 192, 240}) {
        const Scale s{dpi};
        for (int left = -30; left < 60; ++left) {
            const Rect a = s.device(Rect{left, 3, 7, 5}), b = s.device(Rect{left + 7, 8, 9, 2});
            ASSERT_EQ(a.left + a.width, b.left) << dpi << " at " << left;
            ASSERT_EQ(a.top + a.height, b.top) << dpi << " at " << left;
            ASSERT_EQ(s.device(-left), -s.device(left)) << dpi;
        }
        EXPECT_EQ(s.design(s.device(design_client_width)), design_client_width) << dpi;
        EXPECT_EQ(s.design(s.device(design_client_height)), design_client_height) << dpi;
    }
    EXPECT_EQ((Scale{144}.device(Rect{5, 32, 241, 455})), (Rect{8, 48, 361, 683}));
    EXPECT_EQ(Scale{120}.device(design_client_height), 643); // 642.5, away from zero
}
