#include "app/shell.h"

#include "app/control_table.h"
#include "app/skin_attach.h"
#include "app/usage_counter.h"
#include "ops/add_suffix.h"
#include "ops/blank_lines.h"
#include "ops/conversion.h"
#include "ops/duplicates.h"
#include "ops/extract.h"
#include "ops/generate.h"
#include "runtime/codepage.h"
#include "runtime/desktop.h"
#include "runtime/worker.h"

namespace fenrow {

namespace {

constexpr ControlName main_window{};

template <const ControlName& control>
void hint(Controls& ui)
{
    show_hint(ui, control);
}

constexpr ControlName convert = "按钮_转换"_c, extract = "提取帐号"_c, generate = "按钮_生成"_c,
                      top_text = "编辑框_顶层文本"_c, suffix = "按钮_加后缀"_c, pick = "按钮_挑不重复"_c,
                      dedupe = "按钮_去重复"_c, blank = "按钮_去空行"_c;

const std::vector<Binding> bindings = {
    {main_window, Event::created, on_main_window_created},
    {main_window, Event::size_changed, layout_controls},
    {main_window, Event::mouse_moved, hint<main_window>},
    {"编辑框_原"_c, Event::content_changed, [](Controls& ui) { update_line_count(ui, "编辑框_原"_c, "总数1"_c); }},
    {"编辑框_后"_c, Event::content_changed, [](Controls& ui) { update_line_count(ui, "编辑框_后"_c, "总数2"_c); }},
    {"复制1"_c, Event::clicked, [](Controls& ui) { copy_from_box(ui, "编辑框_原"_c); }},
    {"粘贴1"_c, Event::clicked, [](Controls& ui) { paste_into_box(ui, "编辑框_原"_c); }},
    {"复制2"_c, Event::clicked, [](Controls& ui) { copy_from_box(ui, "编辑框_后"_c); }},
    {"粘贴2"_c, Event::clicked, [](Controls& ui) { paste_into_box(ui, "编辑框_后"_c); }},
    {extract, Event::mouse_moved, hint<extract>},
    {extract, Event::clicked, extract_accounts},
    {convert, Event::mouse_moved, hint<convert>},
    {convert, Event::clicked, start_conversion},
    {top_text, Event::mouse_moved, hint<top_text>},
    {generate, Event::mouse_moved, hint<generate>},
    {generate, Event::clicked, generate_text_files},
    {suffix, Event::mouse_moved, hint<suffix>},
    {suffix, Event::clicked, start_add_suffix},
    {pick, Event::mouse_moved, hint<pick>},
    {pick, Event::clicked, pick_non_duplicates},
    {dedupe, Event::mouse_moved, hint<dedupe>},
    {dedupe, Event::clicked, remove_duplicate_lines},
    {blank, Event::mouse_moved, hint<blank>},
    {blank, Event::clicked, remove_blank_lines_in_both},
    {"按钮_待开发"_c, Event::clicked, report_not_developed},
};

} // namespace

const std::vector<Binding>& event_table() { return bindings; }

Handler find_handler(ControlName control, Event event)
{
    for (const Binding& b : bindings) {
        if (b.control == control && b.event == event)
            return b.handler;
    }
    return nullptr;
}

void show_hint(Controls& ui, ControlName control)
{
    const char* text = control == main_window ? window_hint : hint_for(control);
    if (text != nullptr)
        ui.set_pane_text("状态条1"_c, hint_pane, text_from_utf8(text));
}

void update_line_count(Controls& ui, ControlName box, ControlName label)
{
    ui.set_caption(label, "总共："_t + txt_from_int(ui.get_line_count(box)) + "行 ↓"_t);
}

void copy_from_box(Controls& ui, ControlName box)
{
    clipboard_set_text(ui.get_content(box));
    message_box("复制成功!"_t, 0, "复制"_t); // shown even when the clipboard refused
}

void paste_into_box(Controls& ui, ControlName box)
{
    ui.set_content(box, Text());
    ui.paste(box);
}

void report_not_developed(Controls&) { message_box("其他功能待开发！"_t, 0, "提示！"_t); }

bool usage_counter_at_start = true;

void on_main_window_created(Controls& ui)
{
    layout_controls(ui);
    attach_skin(builtin_skin(), 0, 0);
    // The window lives for the whole run and the process ends with _Exit when
    // it closes, so the worker may keep this reference.
    if (usage_counter_at_start)
        start_worker([&ui] { fetch_usage_count(ui); });
}

} // namespace fenrow
