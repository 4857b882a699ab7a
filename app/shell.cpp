#include "app/shell.h"

#include "app/control_table.h"
#include "app/skin_attach.h"
#include "app/usage_counter.h"
#include "app/window_settings.h"
#include "ops/jobs.h"
#include "ops/operations.h"
#include "runtime/codepage.h"
#include "runtime/desktop.h"
#include "runtime/files.h"

namespace fenrow {

namespace {

using namespace ctl;

Text generated_files_remain() { return "已撤销生成：账号回到了左边，已生成的文本文件仍在磁盘上。"_t; }

template <const ControlName& control>
void hint(Controls& ui)
{
    show_hint(ui, control);
}

// A click that may rewrite the large boxes: each box not being written by a
// job keeps its text before the operation's first write, for undo.
Handler operation(ControlName button, Text (*undo_note)() = nullptr)
{
    return [run = operation_of(button), undo_note](WindowControls& ui) {
        const Text note = undo_note != nullptr ? undo_note() : Text();
        for (ControlName box : {left_box, right_box}) {
            if (!box_job_running(ui, box))
                ui.begin_operation(box, box == left_box ? note : Text());
        }
        run(ui);
    };
}

const std::vector<Binding> bindings = {
    {main_window, Event::created, on_main_window_created},
    {main_window, Event::size_changed, layout_controls},
    {main_window, Event::mouse_moved, hint<main_window>},
    {left_box, Event::content_changed, [](Controls& ui) { update_line_count(ui, left_box, count_left); }},
    {right_box, Event::content_changed, [](Controls& ui) { update_line_count(ui, right_box, count_right); }},
    {copy_left, Event::clicked, [](Controls& ui) { copy_from_box(ui, left_box); }},
    {paste_left, Event::clicked, [](Controls& ui) { paste_into_box(ui, left_box); }},
    {copy_right, Event::clicked, [](Controls& ui) { copy_from_box(ui, right_box); }},
    {paste_right, Event::clicked, [](Controls& ui) { paste_into_box(ui, right_box); }},
    {extract_button, Event::mouse_moved, hint<extract_button>},
    {extract_button, Event::clicked, operation(extract_button)},
    {convert_button, Event::mouse_moved, hint<convert_button>},
    {convert_button, Event::clicked, operation(convert_button)},
    {top_line, Event::mouse_moved, hint<top_line>},
    {generate_button, Event::mouse_moved, hint<generate_button>},
    {generate_button, Event::clicked, operation(generate_button, generated_files_remain)},
    {mark_button, Event::mouse_moved, hint<mark_button>},
    {mark_button, Event::clicked, operation(mark_button)},
    {pick_button, Event::mouse_moved, hint<pick_button>},
    {pick_button, Event::clicked, operation(pick_button)},
    {dedupe_button, Event::mouse_moved, hint<dedupe_button>},
    {dedupe_button, Event::clicked, operation(dedupe_button)},
    {blank_button, Event::mouse_moved, hint<blank_button>},
    {blank_button, Event::clicked, operation(blank_button)},
    {not_developed_button, Event::clicked, report_not_developed},
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
        ui.set_pane_text(status_bar, hint_pane, text_from_utf8(text));
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

void paste_into_box(Controls& ui, ControlName box) { ui.paste(box); }

void report_not_developed(Controls&) { message_box("其他功能待开发！"_t, 0, "提示！"_t); }

bool usage_counter_at_start = true;

namespace {

bool started_from_temporary_folder = false;

} // namespace

void init_program_folders()
{
    init_program_dir();
    set_fallback_output_dir(documents_output_dir());
    started_from_temporary_folder = is_temporary_dir(program_dir());
    output_dir(); // an installed program's documents folder is there before the first file
    window_settings_file = settings_file();
}

Text unpack_first_note()
{
    return "请先解压到文件夹再运行！文本存到："_t + output_dir();
}

void on_main_window_created(WindowControls& ui)
{
    layout_controls(ui);
    attach_skin(builtin_skin(), 0, 0);
    // Started from inside a zip: said once, where the hints go.
    if (started_from_temporary_folder)
        ui.set_pane_text(status_bar, hint_pane, unpack_first_note());
    // The window's own worker: the window stops and waits for it when it goes.
    if (usage_counter_at_start)
        ui.start_owned_worker([&ui](std::stop_token stop) { fetch_usage_count(ui, stop); });
}

} // namespace fenrow
