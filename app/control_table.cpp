#include "app/control_table.h"

namespace fenrow {

namespace {

using K = ControlKind;
constexpr ControlName window{};

// name, kind, container, {left, top, width, height}, text, colour, on, multi-line, word-wrap
const std::vector<ControlSpec> table = {
    {"复制1"_c, K::button, window, {5, 5, 80, 24}, "复制↓Ctrl+C"},
    {"总数1"_c, K::label, window, {93, 5, 80, 24}, "总共：1行 ↓", red},
    {"粘贴1"_c, K::button, window, {158, 5, 80, 24}, "粘贴↓Ctrl+V"},
    {"复制2"_c, K::button, window, {257, 5, 80, 24}, "复制↓Ctrl+C"},
    {"总数2"_c, K::label, window, {341, 5, 80, 24}, "总共：1行 ↓", red},
    {"粘贴2"_c, K::button, window, {416, 5, 80, 24}, "粘贴↓Ctrl+V"},
    {"编辑框_原"_c, K::edit, window, {5, 32, 241, 455}, "", 0, false, true},
    {"编辑框_后"_c, K::edit, window, {257, 32, 241, 455}, "", 0, false, true},

    {"分组框1"_c, K::group_box, window, {502, 27, 210, 80}, ""},
    {"标签4"_c, K::label, "分组框1"_c, {8, 14, 55, 20}, "前(可空)：", blue},
    {"编辑框_提取头"_c, K::edit, "分组框1"_c, {69, 14, 27, 20}, "", red},
    {"标签5"_c, K::label, "分组框1"_c, {106, 14, 55, 20}, "后(可空)：", blue},
    {"编辑框_提取尾"_c, K::edit, "分组框1"_c, {167, 14, 27, 20}, ",", red},
    {"标签3"_c, K::label, "分组框1"_c, {8, 43, 126, 28}, "填帐号前后的特殊符号!(没有请留空)", red, false, false, true},
    {"提取帐号"_c, K::button, "分组框1"_c, {140, 50, 64, 24}, "提取帐号"},

    {"分组框2"_c, K::group_box, window, {502, 107, 210, 80}, ""},
    {"选择框_前缀"_c, K::check_box, "分组框2"_c, {8, 13, 80, 14}, "添加前缀：", blue, true},
    {"编辑框_前缀"_c, K::edit, "分组框2"_c, {94, 8, 24, 20}, "=", red},
    {"标签1"_c, K::label, "分组框2"_c, {122, 13, 80, 16}, "序号+字符排列", red},
    {"选择框_后缀"_c, K::check_box, "分组框2"_c, {8, 33, 80, 14}, "修改后缀：", blue, true},
    {"编辑框_后缀符号"_c, K::edit, "分组框2"_c, {94, 29, 24, 20}, "=", red},
    {"标签2"_c, K::label, "分组框2"_c, {122, 33, 8, 16}, "+", red},
    {"编辑框_后缀字符"_c, K::edit, "分组框2"_c, {131, 29, 73, 20}, "", red},
    {"按钮_转换"_c, K::button, "分组框2"_c, {140, 50, 64, 24}, "转换"},

    {"分组框3"_c, K::group_box, window, {502, 187, 210, 101}, ""},
    {"标签8"_c, K::label, "分组框3"_c, {8, 10, 48, 20}, "文本名：", blue},
    {"编辑框_生成文本名"_c, K::edit, "分组框3"_c, {58, 10, 82, 20}, "账号"},
    {"组合框_生成后缀"_c, K::combo_box, "分组框3"_c, {149, 10, 56, 20}, ".txt\n.ini"},
    {"选择框_加顶层"_c, K::check_box, "分组框3"_c, {8, 33, 99, 20}, "是否加顶层：", blue, true},
    {"编辑框_顶层文本"_c, K::edit, "分组框3"_c, {96, 33, 106, 20}, "[账号]"},
    {"选择框_是否加前缀"_c, K::check_box, "分组框3"_c, {8, 55, 80, 18}, "是否加前缀", blue, true},
    {"编辑框_生成前缀"_c, K::edit, "分组框3"_c, {88, 55, 24, 18}, "=", red},
    {"标签12"_c, K::label, "分组框3"_c, {120, 55, 80, 18}, "序号+字符排列", red},
    {"按钮_生成"_c, K::button, "分组框3"_c, {140, 73, 64, 24}, "生成文本"},
    {"标签9"_c, K::label, "分组框3"_c, {8, 75, 55, 20}, "账号个数：", blue},
    {"编辑框_个数"_c, K::edit, "分组框3"_c, {70, 75, 27, 20}, "6"},

    {"分组框5"_c, K::group_box, window, {502, 288, 210, 88}, ""},
    {"标签6"_c, K::label, "分组框5"_c, {8, 8, 55, 20}, "账号个数：", blue},
    {"编辑框_后缀个数"_c, K::edit, "分组框5"_c, {70, 8, 27, 20}, "6"},
    {"选择框_后缀1"_c, K::check_box, "分组框5"_c, {104, 12, 80, 14}, "修改后缀：", blue, true},
    {"编辑框_后缀序号符号"_c, K::edit, "分组框5"_c, {182, 8, 24, 20}, "*", red},
    {"单选框_前"_c, K::radio_box, "分组框5"_c, {8, 32, 98, 24}, "首账号后缀", 0, true},
    {"单选框_后"_c, K::radio_box, "分组框5"_c, {104, 32, 98, 24}, "尾账号后缀", 0, false},
    {"标签7"_c, K::label, "分组框5"_c, {8, 58, 130, 24}, "用于总文本中标记段落", red},
    {"按钮_加后缀"_c, K::button, "分组框5"_c, {140, 58, 64, 24}, "后缀序号"},

    {"分组框4"_c, K::group_box, window, {502, 376, 210, 68}, ""},
    {"按钮_挑不重复"_c, K::button, "分组框4"_c, {4, 12, 64, 24}, "挑不重复"},
    {"按钮_去重复"_c, K::button, "分组框4"_c, {73, 12, 64, 24}, "去重复"},
    {"按钮_去空行"_c, K::button, "分组框4"_c, {142, 12, 64, 24}, "去空行"},
    {"按钮_待开发"_c, K::button, "分组框4"_c, {4, 39, 64, 24}, "待开发"},

    {"超级链接框1"_c, K::hyperlink, window, {506, 448, 202, 16}, "需要加入新功能 或 疑问 可留言！", blue},
    {"标签11"_c, K::label, window, {510, 473, 209, 20}, "鼠标移动按钮处，底部状态栏提示操作！", red},
    {"状态条1"_c, K::status_bar, window, {0, 403, 463, 20}, "使用次数：\n\n操作提示：\n"},
};

struct Hint {
    ControlName name;
    const char* text;
};

const Hint hints[] = {
    {"按钮_转换"_c, "转换：左侧为原文本，设置后转换，转换后文本显示在右侧！"},
    {"提取帐号"_c, "提取账号：填帐号前后的特殊符号!(没有请留空)，左侧为原文本，提取后文本显示在左侧！"},
    {"按钮_生成"_c, "生成文本：文本×个数的总文本填入左侧，点击生成文本至软件根目录！"},
    {"编辑框_顶层文本"_c, "顶层文本：生成的账号最顶端 加上特定内容！"},
    {"按钮_加后缀"_c, "后缀序号：左侧为原文本，右侧为转换后文本！标记作用，自行测试功能！"},
    {"按钮_挑不重复"_c, "挑不重复：左侧为原文本、右侧为待挑文本，对比挑选左侧比右侧多出的文本，挑出不重复文本显示在右侧！"},
    {"按钮_去重复"_c, "去重复：左侧为原文本，去重复后文本显示在右侧"},
    {"按钮_去空行"_c, "去空行：去除左右两侧的空行，显示在两侧！"},
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

void layout_controls(Controls& ui)
{
    // Each step reads what the steps before it set.
    const int w = ui.client_width(), h = ui.client_height();
    const auto src = "编辑框_原"_c, dst = "编辑框_后"_c;
    ui.set_width(src, (w - ui.get_geometry("分组框1"_c).width) / 2 - 15);
    ui.set_width(dst, ui.get_geometry(src).width);
    ui.set_left(dst, ui.get_geometry(src).left + ui.get_geometry(src).width + 10);
    ui.set_height(src, h - ui.get_geometry("复制1"_c).height - 35);
    ui.set_height(dst, ui.get_geometry(src).height);
    ui.set_left("复制1"_c, ui.get_geometry(src).left);
    ui.set_left("复制2"_c, ui.get_geometry(dst).left);
    ui.set_left("粘贴1"_c, ui.get_geometry(src).left + ui.get_geometry(src).width - ui.get_geometry("粘贴1"_c).width);
    ui.set_left("粘贴2"_c, ui.get_geometry(dst).left + ui.get_geometry(dst).width - ui.get_geometry("粘贴2"_c).width);
    ui.set_left("总数1"_c, ui.get_geometry("复制1"_c).left + ui.get_geometry("复制1"_c).width + 5);
    ui.set_left("总数2"_c, ui.get_geometry("复制2"_c).left + ui.get_geometry("复制2"_c).width + 5);
    ui.set_left("分组框1"_c, w - ui.get_geometry("分组框1"_c).width - 10);
    const int groups_left = ui.get_geometry("分组框1"_c).left;
    for (ControlName c : {"分组框2"_c, "分组框3"_c, "分组框4"_c, "分组框5"_c, "标签11"_c})
        ui.set_left(c, groups_left);
    ui.set_top("标签11"_c, h - ui.get_geometry("标签11"_c).height - 25);
}

} // namespace fenrow
