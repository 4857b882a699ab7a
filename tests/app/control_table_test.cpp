#include "app/control_table.h"

#include <gtest/gtest.h>

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
