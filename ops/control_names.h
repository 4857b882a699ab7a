// Every control of the Main window by name, the status bar's panes, and the
// texts several operations share. A control is only ever named through these
// constants, so a misspelt name does not compile.
#pragma once

#include "runtime/text.h"

#include <string_view>

namespace fenrow {

// A control's name, the key of the control table, kept as the UTF-8 of our
// sources: names are identifiers, never shown as text.
struct ControlName {
    std::string_view utf8;
    friend bool operator==(ControlName, ControlName) = default;
};

namespace ctl {

inline constexpr ControlName main_window{}; // the window itself, as an event source

// Above the two large boxes.
inline constexpr ControlName copy_left{"复制1"}, count_left{"总数1"}, paste_left{"粘贴1"};
inline constexpr ControlName copy_right{"复制2"}, count_right{"总数2"}, paste_right{"粘贴2"};
inline constexpr ControlName left_box{"编辑框_原"}, right_box{"编辑框_后"};

// Extract accounts.
inline constexpr ControlName extract_group{"分组框1"}, extract_head_label{"标签4"}, extract_head{"编辑框_提取头"},
                             extract_tail_label{"标签5"}, extract_tail{"编辑框_提取尾"}, extract_note{"标签3"},
                             extract_button{"提取帐号"};

// Numbering conversion.
inline constexpr ControlName conversion_group{"分组框2"}, prefix_check{"选择框_前缀"}, prefix_text{"编辑框_前缀"},
                             prefix_note{"标签1"}, suffix_check{"选择框_后缀"}, suffix_symbol{"编辑框_后缀符号"},
                             suffix_plus{"标签2"}, suffix_text{"编辑框_后缀字符"}, convert_button{"按钮_转换"};

// Generate text files.
inline constexpr ControlName generate_group{"分组框3"}, file_name_label{"标签8"}, file_name{"编辑框_生成文本名"},
                             file_extension{"组合框_生成后缀"}, top_line_check{"选择框_加顶层"},
                             top_line{"编辑框_顶层文本"}, number_check{"选择框_是否加前缀"},
                             number_separator{"编辑框_生成前缀"}, number_note{"标签12"}, generate_button{"按钮_生成"},
                             block_size_label{"标签9"}, block_size{"编辑框_个数"};

// Add suffix.
inline constexpr ControlName mark_group{"分组框5"}, group_size_label{"标签6"}, group_size{"编辑框_后缀个数"},
                             mark_check{"选择框_后缀1"}, mark_symbol{"编辑框_后缀序号符号"}, mark_first{"单选框_前"},
                             mark_last{"单选框_后"}, mark_note{"标签7"}, mark_button{"按钮_加后缀"};

// Duplicates and blank lines.
inline constexpr ControlName clean_group{"分组框4"}, pick_button{"按钮_挑不重复"}, dedupe_button{"按钮_去重复"},
                             blank_button{"按钮_去空行"}, not_developed_button{"按钮_待开发"};

inline constexpr ControlName feedback_link{"超级链接框1"}, pointer_note{"标签11"}, status_bar{"状态条1"};

} // namespace ctl

// The status bar's panes, left to right.
inline constexpr int pane_count = 4;
inline constexpr int usage_pane = 1; // the usage count
inline constexpr int hint_pane = 3;  // the hint for the control under the pointer, and progress notes

// Account lines are joined and split at this.
inline constexpr char crlf[] = "\r\n";

} // namespace fenrow
