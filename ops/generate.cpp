#include "ops/generate.h"

#include "ops/split.h"
#include "runtime/codepage.h"
#include "runtime/desktop.h"
#include "runtime/files.h"

namespace fenrow {

namespace {

// Neither '/' nor '.' can be the second byte of a two-byte character, but
// Windows' separator '\\' can: characters are stepped over whole, so that no
// Chinese name is refused by mistake. '/' separates on every system.
bool stays_in_program_dir(const Text& file_name)
{
    const std::string_view s = file_name.view();
    for (std::size_t i = 0; i < s.size(); i += char_len(s, i)) {
        if (s[i] == '/' || s[i] == path_separator)
            return false;
    }
    return s.find("..") == std::string_view::npos;
}

void report_unwritten(const Text& file_name, const Text& why)
{
    message_box("文本“"_t + file_name + "”生成失败："_t + why + "！未生成的账号仍留在左侧。"_t, 0, "提示！"_t);
}

// Thousands of files keep the window busy for minutes: every interval the hint
// pane tells how far the run is and the window repaints (user input waits, as
// the run's list must not change under it).
class Progress {
public:
    Progress(Controls& ui, int files) : ui_(ui), files_(files) {}
    void file_written(int k)
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - last_ < generate_progress_interval)
            return;
        last_ = now;
        shown_ = true;
        ui_.set_pane_text(ctl::status_bar, hint_pane, "正在生成文本："_t + txt_from_int(k) + " / " + txt_from_int(files_));
        process_paint_events();
    }
    void finished(int written)
    {
        if (shown_)
            ui_.set_pane_text(ctl::status_bar, hint_pane, "已生成 "_t + txt_from_int(written) + " 个文本"_t);
    }

private:
    Controls& ui_;
    int files_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    bool shown_ = false;
};

} // namespace

std::chrono::milliseconds generate_progress_interval{250};

int count_lines(const Text& text) { return static_cast<int>(account_line_spans(text.view()).size()); }

void generate_text_files(Controls& ui)
{
    if (ui.get_content(ctl::block_size).empty() || ui.get_content(ctl::file_name).empty()) {
        message_box("请先设置好生成个数,和生成文本名字!"_t, 0, "提示！"_t);
        return;
    }
    std::shared_ptr<const Text> content = ui.share_content(ctl::left_box);
    if (content->empty()) {
        message_box("左侧编辑框不能为空！"_t, 0, "提示！"_t);
        return;
    }

    // The box is read once and written when it must show the list: before a
    // message, and at the end.
    AccountList list(std::move(content));
    bool box_behind = false;
    const auto show_list = [&] {
        if (box_behind)
            ui.set_content(ctl::left_box, list.content());
        box_behind = false;
    };

    const int32_t n = txt_to_int(ui.get_content(ctl::block_size));
    const int files = n > 0 ? list.line_count() / n : 0; // a zero or negative count makes none
    Progress progress(ui, files);
    for (int k = 1; k <= files; ++k) {
        const Text file_name = ui.get_content(ctl::file_name) + txt_from_int(k) +
                               ui.get_item(ctl::file_extension, ui.get_selection(ctl::file_extension));
        if (!stays_in_program_dir(file_name)) {
            show_list();
            progress.finished(k - 1);
            report_unwritten(file_name, "文本名不能含有“/”或“..”"_t);
            return;
        }

        const AccountList before = list;
        ui.set_content(ctl::right_box, Text());
        const AccountList::Block block = list.take(read_block_options(ui));
        if (block.short_list) {
            show_list();
            message_box(short_list_message());
        }

        Text why;
        if (!file_write(output_dir() + Text(std::string(1, path_separator)) + file_name,
                        {txt_to_bytes(block.text)}, &why)) {
            list = before; // its accounts were not written: they stay in the box
            show_list();
            progress.finished(k - 1);
            report_unwritten(file_name, why);
            return;
        }
        if (!block.short_list)
            box_behind = true;
        progress.file_written(k);
    }
    show_list();
    progress.finished(files);
    // An installed program writes elsewhere than users expect: say where.
    const Text out = output_dir();
    message_box(out == program_dir() ? "生成完毕！"_t : "生成完毕！文本在："_t + out, 0, "提示！"_t);
}

} // namespace fenrow
