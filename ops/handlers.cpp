#include "ops/handlers.h"

#include "ops/add_suffix.h"
#include "ops/blank_lines.h"
#include "ops/conversion.h"
#include "ops/duplicates.h"
#include "ops/extract.h"
#include "ops/generate.h"
#include "ops/jobs.h"
#include "runtime/codepage.h"
#include "runtime/desktop.h"
#include "runtime/progress.h"
#include "runtime/string_fill.h"
#include "runtime/text_routines.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace fenrow {

namespace {

constexpr ControlName result = ctl::right_box;

// The result box as a conversion's output: a batch is appended in one visit,
// and the option texts are read at the start of every batch.
class ResultBox : public ConversionOutput {
public:
    explicit ResultBox(Controls& ui) : ConversionOutput(fenrow::batch_lines, fenrow::batch_bytes), ui_(ui) {}
    void append(Text&& batch) override { ui_.append_text(result, batch); }
    void restart() override { ui_.set_content(result, Text()); }
    // The empty box takes room for the whole result: appends never move it.
    void expect(std::size_t bytes) override
    {
        if (!ui_.share_content(result)->view().empty())
            return;
        ui_.give_content(result, Text(touched_room(bytes, ui_.pool())));
    }
    void reread_prefix(Text& prefix) override { prefix = ui_.get_content(ctl::prefix_text); }
    void reread_suffix(Text& symbol, Text& chars) override
    {
        symbol = ui_.get_content(ctl::suffix_symbol);
        chars = ui_.get_content(ctl::suffix_text);
    }

private:
    Controls& ui_;
};

// What generate asks of the window while it runs: the options read afresh,
// the left box written when it must show the list (before a message, and at
// the end), and the progress in the hint pane.
class GenerateWindow {
public:
    explicit GenerateWindow(Controls& ui) : ui_(ui)
    {
        hooks_.before_file = [&ui](GenerateOptions& o) {
            o.name = ui.get_content(ctl::file_name);
            o.extension = ui.get_item(ctl::file_extension, ui.get_selection(ctl::file_extension));
        };
        hooks_.before_block = [&ui](BlockOptions& o) {
            ui.set_content(ctl::right_box, Text());
            o = read_block_options(ui);
        };
        hooks_.tell = [this](const Message& m, const AccountList& list) {
            show_list(list);
            show(m);
        };
        // The window repaints, but user input waits: the run's list must not
        // change under it.
        hooks_.progress = [this](int written, int files) {
            progress_shown_ = true;
            if (current_watch() != nullptr)
                return; // the window's watch shows it, and lets the user stop the run
            ui_.set_pane_text(ctl::status_bar, hint_pane,
                              "正在生成文本："_t + txt_from_int(written) + " / " + txt_from_int(files));
            process_paint_events();
        };
    }
    GenerateWindow(const GenerateWindow&) = delete;
    GenerateWindow& operator=(const GenerateWindow&) = delete;

    const GenerateHooks& hooks() const { return hooks_; }

    void finish(const Generation& g)
    {
        show_list(g.list);
        if (g.stopped)
            ui_.set_pane_text(ctl::status_bar, hint_pane,
                              "生成文本已停止：已生成 "_t + txt_from_int(g.written) + " 个文本，未写的账号留在左边。"_t);
        else if (progress_shown_)
            ui_.set_pane_text(ctl::status_bar, hint_pane, "已生成 "_t + txt_from_int(g.written) + " 个文本"_t);
        if (g.message)
            show(*g.message);
    }

private:
    void show_list(const AccountList& list)
    {
        if (list.changed() && shown_ != list) {
            ui_.set_content(ctl::left_box, list.content());
            shown_ = list;
        }
    }

    Controls& ui_;
    GenerateHooks hooks_;
    std::optional<AccountList> shown_; // the list the box shows, once written
    bool progress_shown_ = false;
};

} // namespace

void start_conversion(Controls& ui)
{
    start_box_job(ui, result, [&ui] { ui.set_content(result, Text()); }, [&ui] { run_conversion(ui); });
}

void run_conversion(Controls& ui)
{
    ConversionOptions o;
    o.numbering = ui.is_checked(ctl::prefix_check);
    o.suffix = ui.is_checked(ctl::suffix_check);
    if (o.numbering || o.suffix) {
        ResultBox box(ui);
        convert_lines(ui.share_content(ctl::left_box), o, box, ui.pool());
    }
    // A text the cleaning leaves as it is needs no rewrite of the whole box.
    if (conversion_needs_cleaning(ui.share_content(result)->view(), ui.pool()))
        ui.give_content(result, clean_conversion(ui.take_content(result)));
}

void start_add_suffix(Controls& ui)
{
    start_box_job(ui, result, [&ui] { ui.set_content(result, add_suffix_notice()); }, [&ui] { run_add_suffix(ui); });
}

void run_add_suffix(Controls& ui)
{
    const std::shared_ptr<const Text> list = ui.share_content(ctl::left_box);
    MarkOptions o;
    o.mode = ui.is_checked(ctl::mark_first) ? MarkMode::first
             : ui.is_checked(ctl::mark_last) ? MarkMode::last
                                             : MarkMode::none;
    const MarkRereads rereads{[&ui](MarkOptions& m) {
                                  m.group = txt_to_int(ui.get_content(ctl::group_size));
                                  m.symbol = ui.get_content(ctl::mark_symbol);
                              },
                              batch_lines};
    Text marked = mark_groups(*list, o, rereads, ui.pool());
    checkpoint(1.0);
    ui.give_content(result, std::move(marked));
}

void extract_accounts(Controls& ui)
{
    const std::shared_ptr<const Text> list = ui.share_content(ctl::left_box);
    // The markers are read once: nothing runs between the lines that could
    // change them.
    ExtractOptions o;
    o.head = ui.get_content(ctl::extract_head);
    o.tail = ui.get_content(ctl::extract_tail);
    Extraction r = extract(*list, o, ui.pool());
    checkpoint(1.0);
    if (r.message)
        show(*r.message);
    if (r.done)
        ui.give_content(ctl::left_box, std::move(r.list));
}

void remove_blank_lines_in_both(Controls& ui)
{
    for (const ControlName box : {ctl::left_box, ctl::right_box}) {
        // Read where it lies and written anew: a taken text is a copy, since
        // the undo step keeps the box's.
        std::optional<Text> cleaned = remove_blank_lines_anew(ui.share_content(box)->view(), ui.pool());
        checkpoint(box == ctl::left_box ? 0.5 : 1.0);
        ui.give_content(box, cleaned ? std::move(*cleaned) : ui.take_content(box));
    }
}

void remove_duplicate_lines(Controls& ui)
{
    Text kept = remove_duplicate_items(*ui.share_content(ctl::left_box), Text(crlf), ui.pool());
    checkpoint(1.0);
    ui.give_content(ctl::right_box, std::move(kept));
}

void pick_non_duplicates(Controls& ui)
{
    const std::shared_ptr<const Text> right = ui.share_content(ctl::right_box);
    const std::shared_ptr<const Text> left = ui.share_content(ctl::left_box);
    // Painted between its parts; in the window its watch also takes the user's stop.
    Text picked = pick_missing(left->view(), right->view(), process_paint_events, ui.pool());
    checkpoint(1.0);
    ui.give_content(ctl::right_box, std::move(picked));
}

void generate_text_files(Controls& ui)
{
    GenerateOptions o;
    o.count = ui.get_content(ctl::block_size);
    o.name = ui.get_content(ctl::file_name);
    // Asked about once, for the names as the user sees them now.
    o.extension = ui.get_item(ctl::file_extension, ui.get_selection(ctl::file_extension));
    const ExistingFiles existing = existing_files(*ui.share_content(ctl::left_box), o);
    if (!existing.names.empty()) {
        switch (message_box(replace_question(existing), box_yes_no_cancel | box_icon_question | box_default_third, "提示！"_t)) {
        case button_yes: break;
        case button_no: o.first_number = existing.highest + 1; break;
        default: return; // nothing written, the list as it was
        }
    }
    GenerateWindow window(ui);
    window.finish(generate_files(ui.share_content(ctl::left_box), std::move(o), window.hooks()));
}

Text list_tool_title(ListTool tool, const Text& filter_text)
{
    const Text& caption = list_tool(tool).caption;
    const Text ellipsis = "…"_t;
    const std::size_t at = caption.view().find(ellipsis.view());
    if (at == std::string_view::npos)
        return caption;
    return Text(caption.view().substr(0, at)) + "“"_t + filter_text + "”"_t +
           Text(caption.view().substr(at + ellipsis.size()));
}

namespace {

// An empty box holds no line, though it shows one to type in.
Text lines_note(Controls& ui, ControlName box)
{
    return txt_from_int(ui.share_content(box)->empty() ? 0 : ui.get_line_count(box)) + " 行"_t;
}

} // namespace

void show_file_opened(Controls& ui, ControlName box, const Text& path, FileEncoding e)
{
    // The name alone, after the last separator, found in UTF-16: a GBK character's second byte may be a '\\'.
    const std::u16string wide = text_to_utf16(path);
    const std::size_t cut = wide.find_last_of(u"/\\");
    const Text name = cut == std::u16string::npos ? path : text_from_utf16(std::u16string_view(wide).substr(cut + 1));
    // The file's lines, as a line count of the file gives them: its last line break ends a line
    // the box shows an empty one after.
    const std::shared_ptr<const Text> text = ui.share_content(box);
    const int lines = text->empty() ? 0 : ui.get_line_count(box) - (text->view().ends_with("\r\n") ? 1 : 0);
    ui.set_pane_text(ctl::status_bar, hint_pane,
                     "已按 "_t + Text(encoding_name(e)) + " 编码打开 "_t + name + "："_t + txt_from_int(lines) + " 行"_t);
}

void run_list_tool(Controls& ui, ControlName box, ListTool tool, const FilterOptions& filter)
{
    const bool two = list_tool(tool).lists == 2;
    const ControlName target = two ? ctl::right_box : box;
    if (target == ctl::right_box && box_job_running(ui, ctl::right_box)) {
        ui.set_pane_text(ctl::status_bar, hint_pane, job_running_note());
        return;
    }
    const ControlName first = two ? ctl::left_box : box;
    const Text before = two ? lines_note(ui, first) + " + "_t + lines_note(ui, ctl::right_box) : lines_note(ui, first);
    Filtered r;
    {
        const std::shared_ptr<const Text> a = ui.share_content(first);
        const std::shared_ptr<const Text> b = two ? ui.share_content(ctl::right_box) : nullptr;
        r = apply_list_tool(tool, a->view(), b ? b->view() : std::string_view(), filter, fresh_seed());
    }
    checkpoint(1.0);
    if (!r.done) {
        if (r.message)
            show(*r.message);
        return;
    }
    ui.begin_operation(target, Text());
    ui.give_content(target, std::move(r.list));
    ui.set_pane_text(ctl::status_bar, hint_pane,
                     list_tool_title(tool, filter.text) + "："_t + before + " → "_t + lines_note(ui, target));
}

Text take_account_block(Controls& ui)
{
    AccountList list(ui.share_content(ctl::left_box));
    ui.set_content(ctl::right_box, Text());
    const AccountList::Block b = list.take(read_block_options(ui));
    if (b.message)
        show(*b.message);
    if (list.changed())
        ui.set_content(ctl::left_box, list.content());
    return b.text;
}

BlockOptions read_block_options(Controls& ui)
{
    BlockOptions o;
    o.count = txt_to_int(ui.get_content(ctl::block_size));
    o.numbered = ui.is_checked(ctl::number_check);
    o.separator = ui.get_content(ctl::number_separator);
    o.with_top = ui.is_checked(ctl::top_line_check);
    o.top_text = ui.get_content(ctl::top_line);
    return o;
}

} // namespace fenrow
