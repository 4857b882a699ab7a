#include "app/control_table.h"

namespace fenrow {

namespace {

using K = ControlKind;
using namespace ctl;
constexpr ControlName window = main_window;

// name, kind, container, {left, top, width, height}, text, colour, on, multi-line, word-wrap
const std::vector<ControlSpec> table = {
    {copy_left, K::button, window, {5, 5, 80, 24}, "复制↓Ctrl+C"},
    {count_left, K::label, window, {93, 5, 80, 24}, "总共：1行 ↓", red},
    {paste_left, K::button, window, {158, 5, 80, 24}, "粘贴↓Ctrl+V"},
    {copy_right, K::button, window, {257, 5, 80, 24}, "复制↓Ctrl+C"},
    {count_right, K::label, window, {341, 5, 80, 24}, "总共：1行 ↓", red},
    {paste_right, K::button, window, {416, 5, 80, 24}, "粘贴↓Ctrl+V"},
    {left_box, K::edit, window, {5, 32, 241, 455}, "", 0, false, true},
    {right_box, K::edit, window, {257, 32, 241, 455}, "", 0, false, true},

    {extract_group, K::group_box, window, {502, 27, 210, 80}, ""},
    {extract_head_label, K::label, extract_group, {8, 14, 55, 20}, "前(可空)：", blue},
    {extract_head, K::edit, extract_group, {69, 14, 27, 20}, "", red},
    {extract_tail_label, K::label, extract_group, {106, 14, 55, 20}, "后(可空)：", blue},
    {extract_tail, K::edit, extract_group, {167, 14, 27, 20}, ",", red},
    {extract_note, K::label, extract_group, {8, 43, 126, 28}, "填帐号前后的特殊符号!(没有请留空)", red, false, false, true},
    {extract_button, K::button, extract_group, {140, 50, 64, 24}, "提取帐号"},

    {conversion_group, K::group_box, window, {502, 107, 210, 80}, ""},
    {prefix_check, K::check_box, conversion_group, {8, 13, 80, 14}, "添加前缀：", blue, true},
    {prefix_text, K::edit, conversion_group, {94, 8, 24, 20}, "=", red},
    {prefix_note, K::label, conversion_group, {122, 13, 80, 16}, "序号+字符排列", red},
    {suffix_check, K::check_box, conversion_group, {8, 33, 80, 14}, "修改后缀：", blue, true},
    {suffix_symbol, K::edit, conversion_group, {94, 29, 24, 20}, "=", red},
    {suffix_plus, K::label, conversion_group, {122, 33, 8, 16}, "+", red},
    {suffix_text, K::edit, conversion_group, {131, 29, 73, 20}, "", red},
    {convert_button, K::button, conversion_group, {140, 50, 64, 24}, "转换"},

    {generate_group, K::group_box, window, {502, 187, 210, 101}, ""},
    {file_name_label, K::label, generate_group, {8, 10, 48, 20}, "文本名：", blue},
    {file_name, K::edit, generate_group, {58, 10, 82, 20}, "账号"},
    {file_extension, K::combo_box, generate_group, {149, 10, 56, 20}, ".txt\n.ini"},
    {top_line_check, K::check_box, generate_group, {8, 33, 99, 20}, "是否加顶层：", blue, true},
    {top_line, K::edit, generate_group, {96, 33, 106, 20}, "[账号]"},
    {number_check, K::check_box, generate_group, {8, 55, 80, 18}, "是否加前缀", blue, true},
    {number_separator, K::edit, generate_group, {88, 55, 24, 18}, "=", red},
    {number_note, K::label, generate_group, {120, 55, 80, 18}, "序号+字符排列", red},
    {generate_button, K::button, generate_group, {140, 73, 64, 24}, "生成文本"},
    {block_size_label, K::label, generate_group, {8, 75, 55, 20}, "账号个数：", blue},
    {block_size, K::edit, generate_group, {70, 75, 27, 20}, "6"},

    {mark_group, K::group_box, window, {502, 288, 210, 88}, ""},
    {group_size_label, K::label, mark_group, {8, 8, 55, 20}, "账号个数：", blue},
    {group_size, K::edit, mark_group, {70, 8, 27, 20}, "6"},
    {mark_check, K::check_box, mark_group, {104, 12, 80, 14}, "修改后缀：", blue, true},
    {mark_symbol, K::edit, mark_group, {182, 8, 24, 20}, "*", red},
    {mark_first, K::radio_box, mark_group, {8, 32, 98, 24}, "首账号后缀", 0, true},
    {mark_last, K::radio_box, mark_group, {104, 32, 98, 24}, "尾账号后缀", 0, false},
    {mark_note, K::label, mark_group, {8, 58, 130, 24}, "用于总文本中标记段落", red},
    {mark_button, K::button, mark_group, {140, 58, 64, 24}, "后缀序号"},

    {clean_group, K::group_box, window, {502, 376, 210, 68}, ""},
    {pick_button, K::button, clean_group, {4, 12, 64, 24}, "挑不重复"},
    {dedupe_button, K::button, clean_group, {73, 12, 64, 24}, "去重复"},
    {blank_button, K::button, clean_group, {142, 12, 64, 24}, "去空行"},
    {not_developed_button, K::button, clean_group, {4, 39, 64, 24}, "待开发"},

    {feedback_link, K::hyperlink, window, {506, 448, 202, 16}, "需要加入新功能 或 疑问 可留言！", blue},
    {pointer_note, K::label, window, {510, 473, 209, 20}, "鼠标移动按钮处，底部状态栏提示操作！", red},
    {status_bar, K::status_bar, window, {0, 403, 463, 20}, "使用次数：\n\n操作提示：\n"},
};

struct Hint {
    ControlName name;
    const char* text;
};

const Hint hints[] = {
    {convert_button, "转换：左侧为原文本，设置后转换，转换后文本显示在右侧！"},
    {extract_button, "提取账号：填帐号前后的特殊符号!(没有请留空)，左侧为原文本，提取后文本显示在左侧！"},
    {generate_button, "生成文本：文本×个数的总文本填入左侧，点击生成文本至软件根目录！"},
    {top_line, "顶层文本：生成的账号最顶端 加上特定内容！"},
    {mark_button, "后缀序号：左侧为原文本，右侧为转换后文本！标记作用，自行测试功能！"},
    {pick_button, "挑不重复：左侧为原文本、右侧为待挑文本，对比挑选左侧比右侧多出的文本，挑出不重复文本显示在右侧！"},
    {dedupe_button, "去重复：左侧为原文本，去重复后文本显示在右侧"},
    {blank_button, "去空行：去除左右两侧的空行，显示在两侧！"},
};

} // namespace

const char* const window_hint = "Kaldrin v2.1 byBrenik";

const std::vector<ControlSpec>& control_table() { return table; }

const ControlSpec* find_control(ControlName name)
{
    for (const ControlSpec& c : table) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

const char* hint_for(ControlName name)
{
    for (const Hint& h : hints) {
        if (h.name == name)
            return h.text;
    }
    return nullptr;
}

void layout_controls(ControlLayout& ui)
{
    // Each step reads what the steps before it set.
    const int w = ui.client_width(), h = ui.client_height();
    const auto src = left_box, dst = right_box;
    ui.set_width(src, (w - ui.get_geometry(extract_group).width) / 2 - 15);
    ui.set_width(dst, ui.get_geometry(src).width);
    ui.set_left(dst, ui.get_geometry(src).left + ui.get_geometry(src).width + 10);
    ui.set_height(src, h - ui.get_geometry(copy_left).height - 35);
    ui.set_height(dst, ui.get_geometry(src).height);
    ui.set_left(copy_left, ui.get_geometry(src).left);
    ui.set_left(copy_right, ui.get_geometry(dst).left);
    ui.set_left(paste_left, ui.get_geometry(src).left + ui.get_geometry(src).width - ui.get_geometry(paste_left).width);
    ui.set_left(paste_right, ui.get_geometry(dst).left + ui.get_geometry(dst).width - ui.get_geometry(paste_right).width);
    ui.set_left(count_left, ui.get_geometry(copy_left).left + ui.get_geometry(copy_left).width + 5);
    ui.set_left(count_right, ui.get_geometry(copy_right).left + ui.get_geometry(copy_right).width + 5);
    ui.set_left(extract_group, w - ui.get_geometry(extract_group).width - 10);
    const int groups_left = ui.get_geometry(extract_group).left;
    for (ControlName c : {conversion_group, generate_group, clean_group, mark_group, pointer_note})
        ui.set_left(c, groups_left);
    ui.set_top(pointer_note, h - ui.get_geometry(pointer_note).height - 25);
}

} // namespace fenrow
