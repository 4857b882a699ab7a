#include "app/list_box_core.h"

#include "app/operation_watch.h"
#include "ops/outcome.h"
#include "runtime/codepage.h"
#include "runtime/fatal.h"
#include "runtime/progress.h"

#include <algorithm>
#include <new>

namespace fenrow {

namespace {

BoxCommand moving(Move m, bool extend) { return {BoxCommand::go, m, extend}; }
BoxCommand doing(BoxCommand::Kind k) { return {k}; }

BoxCommand ctrl_letter(BoxKey key, bool shift)
{
    switch (key) {
    case BoxKey::a: return doing(BoxCommand::select_all);
    case BoxKey::c: return doing(BoxCommand::copy);
    case BoxKey::x: return doing(BoxCommand::cut);
    case BoxKey::v: return doing(BoxCommand::paste);
    case BoxKey::z: return doing(shift ? BoxCommand::redo : BoxCommand::undo);
    case BoxKey::y: return doing(BoxCommand::redo);
    default: return {};
    }
}

// The bytes from `from` towards `to` that fit in accessible_text_bytes, ending at a character's end.
std::string_view accessible_part(const ListText& t, std::size_t from, std::size_t to)
{
    std::size_t end = from;
    while (end < to) {
        const std::size_t next = t.next(end);
        if (next > to || next - from > accessible_text_bytes)
            break;
        end = next;
    }
    return std::string_view(t.bytes()).substr(from, end - from);
}

} // namespace

ByteSpan accessible_window(const ListEditor& e, int first_line, int last_line)
{
    const ListText& t = e.text();
    const std::string_view b = t.bytes();
    const std::size_t caret = e.caret();
    const int caret_line = t.line_of(caret);
    if (caret_line < first_line || caret_line > last_line)
        first_line = last_line = caret_line;
    last_line = std::min(last_line, t.line_count() - 1);
    ByteSpan s{t.line_start(first_line), t.line_end(last_line)};
    if (s.to - s.from <= accessible_window_bytes)
        return s;
    // A character starts behind every byte up to 0x80 (starts_character).
    const auto at_character = [&](std::size_t known, std::size_t pos) {
        return pos > known && !starts_character(b, known, pos) ? pos - 1 : pos;
    };
    const std::size_t line_from = t.line_start(caret_line);
    if (caret - s.from > accessible_window_bytes / 2)
        s.from = at_character(line_from, std::max(caret - accessible_window_bytes / 2, line_from));
    if (s.to - s.from > accessible_window_bytes)
        s.to = at_character(s.from, s.from + accessible_window_bytes);
    return s;
}

std::string_view accessible_caret_line(const ListEditor& e)
{
    const ListText& t = e.text();
    const int line = t.line_of(e.caret());
    return accessible_part(t, t.line_start(line), t.line_end(line));
}

std::string_view accessible_selection(const ListEditor& e)
{
    const auto [from, to] = e.selection();
    return accessible_part(e.text(), from, to);
}

BoxCommand command_for_key(BoxKey key, bool ctrl, bool shift)
{
    switch (key) {
    case BoxKey::left: return moving(ctrl ? Move::word_left : Move::left, shift);
    case BoxKey::right: return moving(ctrl ? Move::word_right : Move::right, shift);
    case BoxKey::up: return moving(Move::up, shift);
    case BoxKey::down: return moving(Move::down, shift);
    case BoxKey::home: return moving(ctrl ? Move::text_start : Move::line_start, shift);
    case BoxKey::end: return moving(ctrl ? Move::text_end : Move::line_end, shift);
    case BoxKey::page_up: return moving(Move::page_up, shift);
    case BoxKey::page_down: return moving(Move::page_down, shift);
    case BoxKey::backspace: return ctrl ? BoxCommand{BoxCommand::erase_to, Move::word_left} : doing(BoxCommand::erase_back);
    case BoxKey::del:
        if (shift)
            return doing(BoxCommand::cut);
        return ctrl ? BoxCommand{BoxCommand::erase_to, Move::word_right} : doing(BoxCommand::erase_forward);
    case BoxKey::insert: return ctrl ? doing(BoxCommand::copy) : shift ? doing(BoxCommand::paste) : BoxCommand{};
    case BoxKey::enter: return doing(BoxCommand::new_line);
    default: return ctrl ? ctrl_letter(key, shift) : BoxCommand{};
    }
}

void ListBoxCore::set_text(ListText t)
{
    editor_.set_text(std::move(t));
    replaced();
}

void ListBoxCore::append(std::string_view bytes)
{
    editor_.append(bytes);
    edited(true);
}

void ListBoxCore::replaced()
{
    if (view_ != nullptr)
        view_->text_replaced();
    if (content_changed)
        content_changed();
}

void ListBoxCore::edited(bool changed)
{
    if (view_ != nullptr)
        view_->caret_moved(changed);
    if (changed && content_changed)
        content_changed();
}

namespace {

// A step of the user's in the box: memory running out ends it, not the program.
template <typename F>
auto recovering(F&& step, decltype(step()) failed)
{
    try {
        const RecoverableAllocations in_step;
        return step();
    } catch (const std::bad_alloc&) {
        show(out_of_memory_message());
        return failed;
    }
}

} // namespace

void ListBoxCore::run(const BoxCommand& c)
{
    recovering([&] { run_command(c); return true; }, false);
}

void ListBoxCore::abandon_operation()
{
    if (editor_.abandon_operation())
        replaced();
}

void ListBoxCore::run_command(const BoxCommand& c)
{
    switch (c.kind) {
    case BoxCommand::none: break;
    case BoxCommand::go:
        if (view_ != nullptr && (c.move == Move::page_up || c.move == Move::page_down))
            view_->scroll_page(c.move == Move::page_up ? -1 : 1);
        editor_.move(c.move, c.extend, view_ != nullptr ? view_->page_lines() : 1);
        edited(false);
        break;
    case BoxCommand::select_all:
        editor_.select_all();
        edited(false);
        break;
    case BoxCommand::copy: copy(); break;
    case BoxCommand::cut:
        if (editor_.has_selection()) {
            copy();
            edited(editor_.insert({}));
        }
        break;
    case BoxCommand::paste: paste(); break;
    case BoxCommand::erase: edited(editor_.insert({})); break;
    case BoxCommand::erase_back: edited(editor_.erase_back()); break;
    case BoxCommand::erase_forward: edited(editor_.erase_forward()); break;
    case BoxCommand::erase_to: edited(editor_.erase_to(c.move)); break;
    case BoxCommand::new_line: edited(editor_.type("\r\n")); break;
    case BoxCommand::undo: undo(); break;
    case BoxCommand::undo_operation: {
        const Text note = editor_.operation_note();
        if (!editor_.undo_operation())
            break;
        replaced();
        if (operation_undone)
            operation_undone(note);
        break;
    }
    case BoxCommand::redo: edited(editor_.redo()); break;
    case BoxCommand::open_file:
        if (view_ != nullptr) {
            if (const std::optional<Text> path = view_->choose_file_to_open())
                watch("打开文本"_t, [&] { read_file_in(*path); });
        }
        break;
    case BoxCommand::save_file:
        if (view_ != nullptr) {
            if (const auto chosen = view_->choose_file_to_save())
                save_file(chosen->first, chosen->second);
        }
        break;
    case BoxCommand::stop:
        if (stop)
            stop();
        break;
    }
}

void ListBoxCore::watch(const Text& label, const std::function<void()>& work)
{
    if (watched)
        watched(label, work);
    else
        work();
}

// Typing since an operation has dropped its step, so this takes back one or the other.
void ListBoxCore::undo()
{
    if (editor_.can_undo_typing())
        edited(editor_.undo());
    else
        run_command(doing(BoxCommand::undo_operation));
}

void ListBoxCore::copy()
{
    if (editor_.has_selection() && view_ != nullptr)
        view_->put_on_clipboard(Text(editor_.selected()));
}

Text paste_refusal(ClipboardRead::Outcome why)
{
    return why == ClipboardRead::busy ? "剪贴板被其他程序占用"_t : "剪贴板中没有文本"_t;
}

void ListBoxCore::paste(PasteSource from, bool whole)
{
    watch("粘贴"_t, [&] { paste_now(from, whole); });
}

void ListBoxCore::paste_now(PasteSource from, bool whole)
{
    ClipboardRead clip;
    if (view_ != nullptr) {
        const ProgressPhase converting(0, 0.8); // the clipboard's text made the system's
        clip = view_->clipboard_text(from);
    }
    if (clip.outcome == ClipboardRead::text && clip.content.empty())
        clip.outcome = ClipboardRead::no_text;
    if (clip.outcome != ClipboardRead::text) {
        if (paste_refused)
            paste_refused(paste_refusal(clip.outcome));
        return;
    }
    checkpoint(1.0); // the clipboard read: the user may stop before the box changes
    if (whole) {
        editor_.insert_whole(std::move(clip.content));
        replaced();
        edited(true);
        return;
    }
    edited(editor_.insert(clip.content.view()));
}

void ListBoxCore::type(std::string_view bytes) { edited(editor_.type(bytes)); }

void ListBoxCore::insert(std::string_view bytes) { edited(editor_.insert(bytes)); }

void ListBoxCore::click(int line, int x, bool extend)
{
    editor_.click(line, x, extend);
    edited(false);
}

void ListBoxCore::select(std::size_t anchor, std::size_t caret)
{
    editor_.select(anchor, caret);
    edited(false);
}

void ListBoxCore::select_word(std::size_t pos)
{
    editor_.select_word(pos);
    edited(false);
}

bool ListBoxCore::open_file(const Text& path)
{
    bool read = false;
    watch("打开文本"_t, [&] { read = recovering([&] { return read_file_in(path); }, false); });
    return read;
}

bool ListBoxCore::read_file_in(const Text& path, std::optional<FileEncoding> as)
{
    FileEncoding found{};
    std::optional<Text> t = open_list_file(path, &found, as);
    if (!t)
        return false;
    checkpoint(1.0); // the file read: the user may stop before the box changes
    editor_.begin_operation();
    editor_.set_text(ListText(std::move(*t))); // the text keeps room for typing
    replaced();
    opened_ = path;
    if (file_opened)
        file_opened(path, found);
    return true;
}

bool ListBoxCore::reopen(FileEncoding e)
{
    if (!opened_)
        return false;
    const Text path = *opened_;
    bool read = false;
    watch("打开文本"_t, [&] { read = recovering([&] { return read_file_in(path, e); }, false); });
    return read;
}

bool ListBoxCore::save_file(const Text& path, SaveEncoding e)
{
    bool saved = false;
    watch("另存为"_t, [&] { saved = save_list_file(path, *editor_.text().share(), e); }); // the box's bytes, not a copy
    return saved;
}

namespace {

// The list tools as a submenu: separated where they change from one kind of
// work to the next (repeats, two lists, filters, order, blanks).
std::vector<BoxMenuItem> tool_items()
{
    std::vector<BoxMenuItem> items;
    for (const ListToolEntry& e : list_tools()) {
        if (e.tool == ListTool::intersect || e.tool == ListTool::keep_containing || e.tool == ListTool::sort ||
            e.tool == ListTool::trim)
            items.push_back({BoxCommand::none, {}, false});
        items.push_back({BoxCommand::none, e.caption, true, e.tool});
    }
    return items;
}

// The encodings a file can be opened in again, GBK (the system's) first.
std::vector<BoxMenuItem> encoding_items(bool enabled)
{
    std::vector<BoxMenuItem> items;
    for (FileEncoding e : {FileEncoding::gbk, FileEncoding::utf8, FileEncoding::utf16le, FileEncoding::utf16be,
                           FileEncoding::big5})
        items.push_back({BoxCommand::none, Text(encoding_name(e)), enabled, std::nullopt, {}, e});
    return items;
}

} // namespace

std::vector<BoxMenuItem> ListBoxCore::menu()
{
    const bool selection = editor_.has_selection();
    const bool clip = view_ != nullptr && view_->clipboard_has_text();
    return {
        {BoxCommand::undo, "撤销(&U)"_t, editor_.can_undo_typing()},
        {BoxCommand::undo_operation, "撤销上次操作(&L)"_t, editor_.can_undo_operation()},
        {BoxCommand::redo, "重做(&R)"_t, editor_.can_redo()},
        {BoxCommand::none, {}, false},
        {BoxCommand::cut, "剪切(&T)"_t, selection},
        {BoxCommand::copy, "复制(&C)"_t, selection},
        {BoxCommand::paste, "粘贴(&P)"_t, clip},
        {BoxCommand::erase, "删除(&D)"_t, selection},
        {BoxCommand::none, {}, false},
        {BoxCommand::select_all, "全选(&A)"_t, editor_.text().size() > 0},
        {BoxCommand::none, {}, false},
        {BoxCommand::open_file, "打开文本(&O)…"_t, true},
        {BoxCommand::save_file, "另存为(&S)…"_t, true},
        {BoxCommand::none, "以其他编码重新打开(&E)"_t, opened_.has_value(), std::nullopt, encoding_items(opened_.has_value())},
        {BoxCommand::none, {}, false},
        {BoxCommand::none, "列表工具(&B)"_t, true, std::nullopt, tool_items()},
        {BoxCommand::stop, stop_item_caption(), busy && busy()},
    };
}

void ListBoxCore::choose(int id)
{
    if (id >= BoxMenuItem::first_encoding_id) {
        reopen(static_cast<FileEncoding>(id - BoxMenuItem::first_encoding_id));
        return;
    }
    if (id >= BoxMenuItem::first_tool_id) {
        const auto tool = static_cast<ListTool>(id - BoxMenuItem::first_tool_id);
        if (tool_chosen)
            tool_chosen(tool);
        return;
    }
    run({static_cast<BoxCommand::Kind>(id)});
}

const FileDialogWords& file_dialog_words()
{
    static const FileDialogWords words{"打开文本"_t,          "另存为"_t, "文本文件"_t, "所有文件"_t,
                                       "文本文件，GBK 编码"_t, "文本文件，UTF-8 编码"_t};
    return words;
}

void lay_out_line(const ListEditor& editor, int line, int from_x, int to_x, int insert_width,
                  std::size_t measure_limit, LineLayout& out)
{
    out.runs.clear();
    out.selection_x = out.selection_end = out.caret_x = out.insert_x = out.width = -1;
    const ListText& t = editor.text();
    const std::pair<std::size_t, std::size_t> sel = editor.selection(); // the lambdas below take it
    const std::size_t sel_from = sel.first, sel_to = sel.second;
    const std::size_t caret = editor.caret();
    const bool caret_here = t.line_of(caret) == line;
    const std::size_t start = t.line_start(line), end = t.line_end(line);
    const bool measure_all = end - start <= measure_limit;
    const auto select = [&out](int x, int to) {
        out.selection_x = out.selection_x < 0 ? x : out.selection_x;
        out.selection_end = to;
    };
    const auto caret_at = [&](int& x) {
        out.insert_x = x;
        x += insert_width;
        out.caret_x = x;
    };
    int x = 0;
    bool whole = true;
    for_each_glyph(t.line(line), start, [&](const Glyph& g) {
        if (caret_here && g.pos == caret)
            caret_at(x);
        if (x >= to_x && !measure_all) {
            whole = false;
            return false;
        }
        const int w = editor.width(g, x);
        if (x + w > from_x && x < to_x) {
            const bool selected = g.pos >= sel_from && g.pos < sel_to;
            if (selected)
                select(x, x + w);
            if (g.c != U'\t') {
                const RunStyle style = selected ? RunStyle::selected : g.marker ? RunStyle::marker : RunStyle::plain;
                if (out.runs.empty() || out.runs.back().style != style || out.runs.back().end != x)
                    out.runs.push_back({x, style, {}, {}, x});
                GlyphRun& run = out.runs.back();
                if (g.c >= 0x10000) {
                    run.text += static_cast<char16_t>(0xD800 + ((g.c - 0x10000) >> 10));
                    run.text += static_cast<char16_t>(0xDC00 + ((g.c - 0x10000) & 0x3FF));
                    run.advances.insert(run.advances.end(), {w, 0});
                } else {
                    run.text += static_cast<char16_t>(g.c);
                    run.advances.push_back(w);
                }
                run.end = x + w;
            }
        }
        x += w;
        return true;
    });
    if (!whole)
        return;
    if (caret_here && out.caret_x < 0)
        caret_at(x);
    out.width = x;
    // A selected line break shows as a space's width of highlight.
    if (sel_from <= end && sel_to > end)
        select(x, x + editor.width(Glyph{end, 1, U' ', false}, x));
}

} // namespace fenrow
