#include "app/control_table.h"

#include <utility>

namespace fenrow {

namespace {

using K = ControlKind;
using namespace ctl;

// Rows without a container stand in the window itself.
const std::vector<ControlSpec> table = {
    {.name = copy_left, .kind = K::button, .geometry = {5, 5, 80, 24}, .text = "复制↓Ctrl+C"},
    {.name = count_left, .kind = K::label, .geometry = {93, 5, 80, 24}, .text = "总共：1行 ↓", .rgb = red},
    {.name = paste_left, .kind = K::button, .geometry = {158, 5, 80, 24}, .text = "粘贴↓Ctrl+V"},
    {.name = copy_right, .kind = K::button, .geometry = {257, 5, 80, 24}, .text = "复制↓Ctrl+C"},
    {.name = count_right, .kind = K::label, .geometry = {341, 5, 80, 24}, .text = "总共：1行 ↓", .rgb = red},
    {.name = paste_right, .kind = K::button, .geometry = {416, 5, 80, 24}, .text = "粘贴↓Ctrl+V"},
    {.name = left_box, .kind = K::edit, .geometry = {5, 32, 241, 455}, .multi_line = true},
    {.name = right_box, .kind = K::edit, .geometry = {257, 32, 241, 455}, .multi_line = true},

    {.name = extract_group, .kind = K::group_box, .geometry = {502, 27, 210, 80}},
    {.name = extract_head_label, .kind = K::label, .container = extract_group, .geometry = {8, 14, 55, 20}, .text = "前(可空)：", .rgb = blue},
    {.name = extract_head, .kind = K::edit, .container = extract_group, .geometry = {69, 14, 27, 20}, .rgb = red},
    {.name = extract_tail_label, .kind = K::label, .container = extract_group, .geometry = {106, 14, 55, 20}, .text = "后(可空)：", .rgb = blue},
    {.name = extract_tail, .kind = K::edit, .container = extract_group, .geometry = {167, 14, 27, 20}, .text = ",", .rgb = red},
    {.name = extract_note, .kind = K::label, .container = extract_group, .geometry = {8, 43, 126, 28}, .text = "填帐号前后的特殊符号!(没有请留空)", .rgb = red, .word_wrap = true},
    {.name = extract_button, .kind = K::button, .container = extract_group, .geometry = {140, 50, 64, 24}, .text = "提取帐号"},

    {.name = conversion_group, .kind = K::group_box, .geometry = {502, 107, 210, 80}},
    {.name = prefix_check, .kind = K::check_box, .container = conversion_group, .geometry = {8, 13, 80, 14}, .text = "添加前缀：", .rgb = blue, .initially_on = true},
    {.name = prefix_text, .kind = K::edit, .container = conversion_group, .geometry = {94, 8, 24, 20}, .text = "=", .rgb = red},
    {.name = prefix_note, .kind = K::label, .container = conversion_group, .geometry = {122, 13, 80, 16}, .text = "序号+字符排列", .rgb = red},
    {.name = suffix_check, .kind = K::check_box, .container = conversion_group, .geometry = {8, 33, 80, 14}, .text = "修改后缀：", .rgb = blue, .initially_on = true},
    {.name = suffix_symbol, .kind = K::edit, .container = conversion_group, .geometry = {94, 29, 24, 20}, .text = "=", .rgb = red},
    {.name = suffix_plus, .kind = K::label, .container = conversion_group, .geometry = {122, 33, 8, 16}, .text = "+", .rgb = red},
    {.name = suffix_text, .kind = K::edit, .container = conversion_group, .geometry = {131, 29, 73, 20}, .rgb = red},
    {.name = convert_button, .kind = K::button, .container = conversion_group, .geometry = {140, 50, 64, 24}, .text = "转换"},

    {.name = generate_group, .kind = K::group_box, .geometry = {502, 187, 210, 101}},
    {.name = file_name_label, .kind = K::label, .container = generate_group, .geometry = {8, 10, 48, 20}, .text = "文本名：", .rgb = blue},
    {.name = file_name, .kind = K::edit, .container = generate_group, .geometry = {58, 10, 82, 20}, .text = "账号"},
    {.name = file_extension, .kind = K::combo_box, .container = generate_group, .geometry = {149, 10, 56, 20}, .text = ".txt\n.ini"},
    {.name = top_line_check, .kind = K::check_box, .container = generate_group, .geometry = {8, 33, 99, 20}, .text = "是否加顶层：", .rgb = blue, .initially_on = true},
    {.name = top_line, .kind = K::edit, .container = generate_group, .geometry = {96, 33, 106, 20}, .text = "[账号]"},
    {.name = number_check, .kind = K::check_box, .container = generate_group, .geometry = {8, 55, 80, 18}, .text = "是否加前缀", .rgb = blue, .initially_on = true},
    {.name = number_separator, .kind = K::edit, .container = generate_group, .geometry = {88, 55, 24, 18}, .text = "=", .rgb = red},
    {.name = number_note, .kind = K::label, .container = generate_group, .geometry = {120, 55, 80, 18}, .text = "序号+字符排列", .rgb = red},
    {.name = generate_button, .kind = K::button, .container = generate_group, .geometry = {140, 73, 64, 24}, .text = "生成文本"},
    {.name = block_size_label, .kind = K::label, .container = generate_group, .geometry = {8, 75, 55, 20}, .text = "账号个数：", .rgb = blue},
    {.name = block_size, .kind = K::edit, .container = generate_group, .geometry = {70, 75, 27, 20}, .text = "6"},

    {.name = mark_group, .kind = K::group_box, .geometry = {502, 288, 210, 88}},
    {.name = group_size_label, .kind = K::label, .container = mark_group, .geometry = {8, 8, 55, 20}, .text = "账号个数：", .rgb = blue},
    {.name = group_size, .kind = K::edit, .container = mark_group, .geometry = {70, 8, 27, 20}, .text = "6"},
    {.name = mark_check, .kind = K::check_box, .container = mark_group, .geometry = {104, 12, 80, 14}, .text = "修改后缀：", .rgb = blue, .initially_on = true},
    {.name = mark_symbol, .kind = K::edit, .container = mark_group, .geometry = {182, 8, 24, 20}, .text = "*", .rgb = red},
    {.name = mark_first, .kind = K::radio_box, .container = mark_group, .geometry = {8, 32, 98, 24}, .text = "首账号后缀", .initially_on = true},
    {.name = mark_last, .kind = K::radio_box, .container = mark_group, .geometry = {104, 32, 98, 24}, .text = "尾账号后缀"},
    {.name = mark_note, .kind = K::label, .container = mark_group, .geometry = {8, 58, 130, 24}, .text = "用于总文本中标记段落", .rgb = red},
    {.name = mark_button, .kind = K::button, .container = mark_group, .geometry = {140, 58, 64, 24}, .text = "后缀序号"},

    {.name = clean_group, .kind = K::group_box, .geometry = {502, 376, 210, 68}},
    {.name = pick_button, .kind = K::button, .container = clean_group, .geometry = {4, 12, 64, 24}, .text = "挑不重复"},
    {.name = dedupe_button, .kind = K::button, .container = clean_group, .geometry = {73, 12, 64, 24}, .text = "去重复"},
    {.name = blank_button, .kind = K::button, .container = clean_group, .geometry = {142, 12, 64, 24}, .text = "去空行"},
    {.name = not_developed_button, .kind = K::button, .container = clean_group, .geometry = {4, 39, 64, 24}, .text = "待开发"},

    {.name = feedback_link, .kind = K::hyperlink, .geometry = {506, 448, 202, 16}, .text = "需要加入新功能 或 疑问 可留言！", .rgb = blue},
    {.name = pointer_note, .kind = K::label, .geometry = {510, 473, 209, 20}, .text = "鼠标移动按钮处，底部状态栏提示操作！", .rgb = red},
    {.name = status_bar, .kind = K::status_bar, .geometry = {0, 403, 463, 20}, .text = "使用次数：\n\n操作提示：\n"},
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
const char* const feedback_page_address = FENROW_FEEDBACK_URL;

const std::vector<ControlSpec>& control_table() { return table; }

const ControlSpec* find_control(ControlName name)
{
    for (const ControlSpec& c : table) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

int Scale::device(int design) const
{
    const long long v = static_cast<long long>(design) * dpi;
    return static_cast<int>(v >= 0 ? (v + 48) / 96 : -((-v + 48) / 96));
}

Rect Scale::device(const Rect& design) const
{
    const int left = device(design.left), top = device(design.top);
    return {left, top, device(design.left + design.width) - left, device(design.top + design.height) - top};
}

int Scale::design(int device) const
{
    const long long v = static_cast<long long>(device) * 96;
    return static_cast<int>(v >= 0 ? (v + dpi / 2) / dpi : -((-v + dpi / 2) / dpi));
}

const char* hint_for(ControlName name)
{
    for (const Hint& h : hints) {
        if (h.name == name)
            return h.text;
    }
    return nullptr;
}

const char* accessible_name(ControlName name)
{
    // The words of the hints, which call the left box's text 原文本 and put results on the right.
    if (name == left_box)
        return "原文本";
    if (name == right_box)
        return "结果文本";
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
    // The line counters take the free width up to the paste buttons, so that a
    // long count reads whole.
    for (const auto& [count, paste] : {std::pair{count_left, paste_left}, std::pair{count_right, paste_right}})
        ui.set_width(count, ui.get_geometry(paste).left - ui.get_geometry(count).left - 2);
    ui.set_left(extract_group, w - ui.get_geometry(extract_group).width - 10);
    const int groups_left = ui.get_geometry(extract_group).left;
    for (ControlName c : {conversion_group, generate_group, clean_group, mark_group, pointer_note})
        ui.set_left(c, groups_left);
    ui.set_top(pointer_note, h - ui.get_geometry(pointer_note).height - 25);
}

} // namespace fenrow
