#include "app/table_window.h"

#include "app/control_table.h"
#include "ops/handlers.h"
#include "ops/jobs.h"
#include "ops/outcome.h"
#include "runtime/codepage.h"
#include "runtime/fatal.h"
#include "runtime/heap.h"

#include <algorithm>
#include <array>
#include <climits>
#include <new>
#include <stdexcept>
#include <string>

namespace fenrow {

namespace {

bool inside(const Rect& g, int x, int y) { return x >= g.left && x < g.left + g.width && y >= g.top && y < g.top + g.height; }

bool one_line_caption(const ControlSpec& row)
{
    const ControlKind k = row.kind;
    return !row.word_wrap && (k == ControlKind::label || k == ControlKind::check_box || k == ControlKind::radio_box ||
                              k == ControlKind::hyperlink);
}

// The step the user started on this thread (an event and all it raises in
// turn), and the boxes its operation began: fixed room, so that keeping them
// needs no memory.
thread_local int t_step_depth = 0;
thread_local std::array<ControlName, 4> t_step_boxes;
thread_local std::size_t t_step_box_count = 0;
// What the step's notes call its work, for the job it may start.
thread_local const Text* t_step_label = nullptr;

} // namespace

CaptionFit fit_caption(int room, const std::function<int(CaptionFit)>& width_at, const Scale& scale)
{
    CaptionFit fit = design_fit(scale);
    const int smallest = scale.device(smallest_caption_size);
    while (width_at(fit) > room && fit.pixel_size > smallest)
        --fit.pixel_size;
    while (width_at(fit) > room && fit.stretch > narrowest_caption)
        fit.stretch = std::max(narrowest_caption, fit.stretch - 5);
    return fit;
}

TableWindow::TableWindow(const std::vector<ControlSpec>& table, WindowBackend& backend, std::function<bool()> wake)
    : table_(table), backend_(backend), calls_(std::move(wake))
{
}

TableWindow::~TableWindow() { shut_down(); }

void TableWindow::shut_down()
{
    calls_.close();
    workers_.stop_all();
    wait_for_box_jobs();
}

void TableWindow::build()
{
    for (const ControlSpec& row : table_) {
        ListBoxCore* box = backend_.make(row);
        const Entry& e = controls_.emplace(row.name.utf8, Entry{&row, row.geometry, box}).first->second;
        place(e);
        fit(e);
        if (box == nullptr)
            continue;
        if (const char* name = accessible_name(row.name))
            box->set_name(text_from_utf8(name));
        box->content_changed = [this, name = row.name] { raise(name, Event::content_changed); };
        box->operation_undone = [this](const Text& note) {
            if (!note.empty())
                backend_.set_pane_text(hint_pane, note);
        };
        box->paste_refused = [this](const Text& why) { backend_.set_pane_text(hint_pane, why); };
        box->file_opened = [this, name = row.name](const Text& path, FileEncoding read_in) {
            show_file_opened(*this, name, path, read_in);
        };
        box->tool_chosen = [this, name = row.name](ListTool tool) { run_tool(name, tool); };
        box->busy = [this] { return busy(); };
        box->stop = [this] { stop(); };
        box->watched = [this](const Text& label, const std::function<void()>& work) { run_step(work, false, label); };
    }
}

const FilterDialogWords& filter_dialog_words()
{
    static const FilterDialogWords words{"行中含有的文字："_t, "按正则表达式(&R)"_t, "不分大小写(&I)"_t, "确定"_t, "取消"_t};
    return words;
}

void TableWindow::run_tool(ControlName box, ListTool tool)
{
    FilterOptions filter;
    if (list_tool(tool).asks_text) {
        filter_asked_.title = list_tool(tool).caption;
        std::optional<FilterOptions> answer = backend_.ask_filter(filter_asked_);
        if (!answer)
            return;
        filter = *answer;
        // The latest text first, each once, the oldest dropped.
        std::vector<Text>& recent = filter_asked_.recent;
        std::erase(recent, filter.text);
        recent.insert(recent.begin(), filter.text);
        if (recent.size() > filter_texts_kept)
            recent.pop_back();
        filter_asked_.last = filter;
    }
    run_step([&] { run_list_tool(*this, box, tool, filter); }, true, list_tool_title(tool, filter.text));
}

void TableWindow::set_scale(Scale scale)
{
    scale_ = scale;
    for (const ControlSpec& row : table_) {
        if (auto it = controls_.find(row.name.utf8); it != controls_.end()) {
            place(it->second);
            fit(it->second);
        }
    }
}

void TableWindow::place(const Entry& e)
{
    if (e.row->kind != ControlKind::status_bar) // it docks itself along the bottom edge
        backend_.place(*e.row, scale_.device(e.geometry));
}

void TableWindow::raise(ControlName control, Event event)
{
    // A click's work is watched: a button's operation, a paste.
    const bool clicked = event == Event::clicked;
    const Text label = clicked && row(control).kind == ControlKind::button ? operation_label(row(control)) : Text();
    run_step([&] { dispatch(control, event); }, clicked, label);
}

void TableWindow::run_step(const std::function<void()>& work, bool clicked, const Text& label)
{
    if (t_step_depth > 0) {
        work();
        return;
    }
    // A step of its own: memory running out or the user's stop end it, not
    // the program, and put back what its operation had written.
    ++t_step_depth;
    t_step_box_count = 0;
    std::optional<OperationWatch> watch;
    if (!label.empty()) {
        watch.emplace(
            label, watch_timing_, [this](const Text& note) { backend_.set_pane_text(hint_pane, note); },
            [this](ProgressWatch& w) { backend_.serve_during_operation(w); });
        operation_ = &*watch;
    }
    t_step_label = &label;
    const int hint_writes = hint_writes_;
    const auto put_back = [&] {
        for (std::size_t i = 0; i < t_step_box_count; ++i)
            calls_.call([&] { box(t_step_boxes[i]).abandon_operation(); });
    };
    try {
        const Watching watching(operation_);
        const RecoverableAllocations in_step;
        work();
        if (watch && watch->shown() && hint_writes_ == hint_writes)
            backend_.set_pane_text(hint_pane, finished_note(label));
    } catch (const std::bad_alloc&) {
        put_back();
        show(out_of_memory_message());
    } catch (const OperationStopped&) {
        put_back();
        backend_.set_pane_text(hint_pane, stopped_note(label));
    }
    operation_ = nullptr;
    t_step_label = nullptr;
    --t_step_depth;
    if (clicked)
        give_back_freed_blocks();
}

void TableWindow::stop()
{
    if (operation_ != nullptr)
        operation_->ask_to_stop();
    const std::lock_guard lock(jobs_mutex_);
    for (auto& [box, watch] : job_watches_)
        watch->ask_to_stop();
}

bool TableWindow::busy()
{
    const std::lock_guard lock(jobs_mutex_);
    return operation_ != nullptr || !job_watches_.empty();
}

void TableWindow::dispatch(ControlName control, Event event)
{
    raised(control, event);
    if (event_observer)
        event_observer(control, event);
    if (Handler h = find_handler(control, event))
        h(*this);
}

ControlName TableWindow::control_at(int x, int y) const
{
    ControlName c = ctl::main_window;
    for (ControlName container = ctl::main_window;;) {
        for (const ControlSpec& r : table_) {
            if (r.container == container && r.kind != ControlKind::status_bar &&
                inside(scale_.device(entry(r.name).geometry), x, y))
                c = r.name;
        }
        if (c == container || row(c).kind != ControlKind::group_box)
            break;
        const Rect g = scale_.device(entry(c).geometry);
        x -= g.left;
        y -= g.top;
        container = c;
    }
    // The empty inside of a group box counts as the window's background.
    return c != ctl::main_window && row(c).kind == ControlKind::group_box ? ctl::main_window : c;
}

TableWindow::Entry& TableWindow::entry(ControlName c)
{
    auto it = controls_.find(c.utf8);
    if (it == controls_.end())
        throw std::out_of_range("no control named " + std::string(c.utf8));
    return it->second;
}

const TableWindow::Entry& TableWindow::entry(ControlName c) const { return const_cast<TableWindow*>(this)->entry(c); }

const ControlSpec& TableWindow::row(ControlName c) const { return *entry(c).row; }

ListBoxCore& TableWindow::box(ControlName c)
{
    ListBoxCore* b = entry(c).box;
    if (b == nullptr)
        throw std::out_of_range("no large box named " + std::string(c.utf8));
    return *b;
}

Text TableWindow::get_content(ControlName edit)
{
    const Entry& e = entry(edit);
    if (e.box != nullptr)
        return calls_.call([&] { return e.box->text(); });
    const bool copied = e.row->kind == ControlKind::edit && backend_.reports_edit_changes();
    if (copied) {
        std::lock_guard lock(edit_texts_mutex_);
        if (const auto it = edit_texts_.find(edit.utf8); it != edit_texts_.end())
            return it->second;
    }
    return calls_.call([&] {
        Text t = backend_.text(*e.row);
        if (copied) { // kept on this thread, where every change drops it first
            std::lock_guard lock(edit_texts_mutex_);
            edit_texts_.insert_or_assign(e.row->name.utf8, t);
        }
        return t;
    });
}

void TableWindow::edit_changed(ControlName edit)
{
    std::lock_guard lock(edit_texts_mutex_);
    if (const auto it = edit_texts_.find(edit.utf8); it != edit_texts_.end())
        edit_texts_.erase(it);
}

void TableWindow::set_content(ControlName edit, const Text& t)
{
    if (entry(edit).box != nullptr) {
        ListText prepared = ListText::copy_of(t.view()); // copied, indexed and measured on the caller's thread
        prepared.longest_line();
        calls_.call([&] { box(edit).set_text(std::move(prepared)); });
        return;
    }
    calls_.call([&] {
        backend_.set_text(row(edit), t);
        edit_changed(edit);
        raise(edit, Event::content_changed);
    });
}

std::shared_ptr<const Text> TableWindow::share_content(ControlName edit)
{
    if (entry(edit).box == nullptr)
        return Controls::share_content(edit);
    std::shared_ptr<const Text> shared = calls_.call([&] { return box(edit).editor().text().share(); });
    // A closed window answers no more calls: its job reads an empty text.
    return shared != nullptr ? shared : std::make_shared<const Text>();
}

Text TableWindow::take_content(ControlName edit)
{
    if (entry(edit).box == nullptr)
        return get_content(edit);
    return calls_.call([&] { return box(edit).take_text(); });
}

void TableWindow::give_content(ControlName edit, Text&& t)
{
    if (entry(edit).box == nullptr) {
        set_content(edit, t);
        return;
    }
    ListText prepared(std::move(t)); // indexed and measured on the caller's thread
    prepared.longest_line();
    calls_.call([&] { box(edit).set_text(std::move(prepared)); });
}

void TableWindow::append_text(ControlName edit, const Text& t)
{
    calls_.call([&] { box(edit).append(t.view()); });
}

bool TableWindow::is_checked(ControlName box)
{
    return calls_.call([&] { return backend_.checked(row(box)); });
}

void TableWindow::set_checked(ControlName box, bool on)
{
    calls_.call([&] { backend_.set_checked(row(box), on); });
}

void TableWindow::set_selection(ControlName combo, int index)
{
    calls_.call([&] { backend_.set_selection(row(combo), index); });
}

int TableWindow::get_selection(ControlName combo)
{
    return calls_.call([&] { return backend_.selection(row(combo)); });
}

Text TableWindow::get_item(ControlName combo, int index)
{
    return calls_.call([&] { return backend_.item(row(combo), index); });
}

void TableWindow::set_caption(ControlName label, const Text& t)
{
    calls_.call([&] {
        backend_.set_text(row(label), t);
        fit(entry(label));
    });
}

void TableWindow::fit(const Entry& e)
{
    if (!one_line_caption(*e.row))
        return;
    // A control the layout hid keeps the design's fit for when it comes back.
    const int room = e.geometry.width > 0 ? scale_.device(e.geometry).width : INT_MAX;
    const CaptionFit chosen =
        fit_caption(room, [&](CaptionFit f) { return backend_.fitted_width(*e.row, f); }, scale_);
    backend_.fitted_width(*e.row, chosen);
}

void TableWindow::set_pane_text(ControlName status_bar, int pane, const Text& t)
{
    calls_.call([&] {
        if (row(status_bar).kind == ControlKind::status_bar && pane >= 0 && pane < pane_count) {
            hint_writes_ += pane == hint_pane ? 1 : 0;
            backend_.set_pane_text(pane, t);
        }
    });
}

int TableWindow::get_line_count(ControlName edit)
{
    return calls_.call([&] { return box(edit).line_count(); });
}

void TableWindow::paste(ControlName edit)
{
    calls_.call([&] { box(edit).paste(PasteSource::clipboard, true); });
}

void TableWindow::begin_operation(ControlName box_name, const Text& undo_note)
{
    calls_.call([&] { box(box_name).begin_operation(undo_note); });
    if (t_step_box_count < t_step_boxes.size())
        t_step_boxes[t_step_box_count++] = box_name;
}

Rect TableWindow::get_geometry(ControlName c)
{
    return calls_.call([&] { return entry(c).geometry; });
}

void TableWindow::set_edge(ControlName c, int Rect::*edge, int v)
{
    calls_.call([&] {
        Entry& e = entry(c);
        e.geometry.*edge = v;
        place(e);
        if (edge == &Rect::width)
            fit(e);
    });
}

void TableWindow::set_left(ControlName c, int v) { set_edge(c, &Rect::left, v); }

void TableWindow::set_top(ControlName c, int v) { set_edge(c, &Rect::top, v); }

void TableWindow::set_width(ControlName c, int v) { set_edge(c, &Rect::width, v); }

void TableWindow::set_height(ControlName c, int v) { set_edge(c, &Rect::height, v); }

int TableWindow::client_width()
{
    return calls_.call([&] { return scale_.design(backend_.client_size().first); });
}

int TableWindow::client_height()
{
    return calls_.call([&] { return scale_.design(backend_.client_size().second); });
}

bool TableWindow::start_owned_worker(std::function<void(std::stop_token)> body)
{
    return workers_.start(std::move(body));
}

bool TableWindow::start_box_job(ControlName box, const std::function<void()>& prepare, std::function<void()> body)
{
    bool claimed = false;
    {
        const std::lock_guard lock(jobs_mutex_);
        claimed = boxes_in_jobs_.insert(box.utf8).second;
    }
    if (!claimed) {
        set_pane_text(ctl::status_bar, hint_pane, job_running_note());
        return false;
    }
    try {
        if (prepare)
            prepare();
    } catch (...) {
        job_ended(box);
        throw;
    }
    // The job is watched as its step was; its notes reach the hint pane
    // through the window's calls.
    const Text label = t_step_label != nullptr ? *t_step_label : Text();
    auto watch = std::make_shared<OperationWatch>(
        label, watch_timing_, [this](const Text& note) { calls_.call([&] { backend_.set_pane_text(hint_pane, note); }); },
        [this](ProgressWatch& w) { job_served(w); });
    {
        const std::lock_guard lock(jobs_mutex_);
        job_watches_[box.utf8] = watch;
    }
    const bool started = start_worker([this, box, body = std::move(body), watch] {
        struct Ended {
            TableWindow& w;
            ControlName box;
            ~Ended() { w.job_ended(box); }
        } ended{*this, box};
        // The job is the rest of its step: memory running out or the user's
        // stop end it, and the box gets back the text it had before the
        // operation.
        try {
            const Watching watching(watch.get());
            const RecoverableAllocations in_step;
            body();
            if (watch->shown())
                calls_.call([&] { backend_.set_pane_text(hint_pane, finished_note(watch->label())); });
        } catch (const std::bad_alloc&) {
            calls_.call([&] {
                this->box(box).abandon_operation();
                show(out_of_memory_message());
            });
        } catch (const OperationStopped&) {
            calls_.call([&] {
                this->box(box).abandon_operation();
                backend_.set_pane_text(hint_pane, stopped_note(watch->label()));
            });
        }
    });
    if (!started)
        job_ended(box);
    return started;
}

void TableWindow::job_ended(ControlName box)
{
    {
        const std::lock_guard lock(jobs_mutex_);
        boxes_in_jobs_.erase(box.utf8);
        job_watches_.erase(box.utf8);
    }
    job_ended_.notify_all();
    give_back_freed_blocks();
}

bool TableWindow::box_job_running(ControlName box)
{
    const std::lock_guard lock(jobs_mutex_);
    return boxes_in_jobs_.contains(box.utf8);
}

void TableWindow::wait_for_box_jobs()
{
    std::unique_lock lock(jobs_mutex_);
    job_ended_.wait(lock, [this] { return boxes_in_jobs_.empty(); });
}

} // namespace fenrow
