#include "app/memory_window.h"

#include "runtime/codepage.h"

#include <stdexcept>
#include <string>

namespace fenrow {

namespace {

std::vector<Text> lines_of(std::string_view s)
{
    std::vector<Text> out;
    if (s.empty())
        return out;
    for (;;) {
        const std::size_t nl = s.find('\n');
        out.push_back(text_from_utf8(s.substr(0, nl)));
        if (nl == std::string_view::npos)
            return out;
        s.remove_prefix(nl + 1);
    }
}

} // namespace

ListBoxCore* MemoryBackend::make(const ControlSpec& row)
{
    State s{&row};
    s.on = row.initially_on;
    if (row.kind == ControlKind::combo_box) {
        s.items = lines_of(row.text);
        s.selection = s.items.empty() ? -1 : 0;
    } else if (row.kind == ControlKind::status_bar) {
        panes_ = lines_of(row.text);
        panes_.resize(pane_count);
    } else if (row.kind == ControlKind::edit && row.multi_line) {
        s.box = std::make_unique<ListBoxCore>([](char32_t) { return 1; });
        s.box->set_view(this);
        s.box->set_text(ListText(text_from_utf8(row.text)));
    } else {
        s.text = text_from_utf8(row.text);
    }
    return states_.emplace(row.name.utf8, std::move(s)).first->second.box.get();
}

MemoryBackend::State& MemoryBackend::at(ControlName c)
{
    auto it = states_.find(c.utf8);
    if (it == states_.end())
        throw std::out_of_range("no control named " + std::string(c.utf8));
    return it->second;
}

Text MemoryBackend::item(const ControlSpec& row, int index)
{
    const State& s = at(row);
    return index < 0 || index >= static_cast<int>(s.items.size()) ? Text() : s.items[static_cast<std::size_t>(index)];
}

void MemoryBackend::set_checked(const ControlSpec& row, bool on)
{
    State& s = at(row);
    if (row.kind == ControlKind::radio_box && on) {
        for (auto& [name, other] : states_) {
            if (other.row->kind == ControlKind::radio_box && other.row->container == row.container)
                other.on = false;
        }
    }
    s.on = on;
}

int MemoryBackend::fitted_width(const ControlSpec& row, CaptionFit fit)
{
    State& s = at(row);
    s.fit = fit;
    const std::string_view t = s.text.view();
    int halves = 0;
    for (std::size_t i = 0; i < t.size(); i += char_len(t, i))
        halves += char_len(t, i) == 1 ? 1 : 2;
    return halves * fit.pixel_size * fit.stretch / 200;
}

MemoryControls::MemoryControls(const std::vector<ControlSpec>& table, int client_width, int client_height)
    : MemoryBackendHolder{MemoryBackend(client_width, client_height)}, TableWindow(table, memory, {})
{
    // Served at every checkpoint, for tests that stop there; no progress shown.
    set_watch_timing({std::chrono::hours(1), std::chrono::milliseconds(0)});
    build();
}

void MemoryControls::job_served(ProgressWatch& w)
{
    on_ui_thread([&] { memory.serve_during_operation(w); });
}

void MemoryControls::raised(ControlName c, Event e)
{
    if (e != Event::content_changed)
        return;
    ++changes_[c.utf8];
    if (on_content_changed)
        on_content_changed(c);
}

void MemoryControls::begin_operation(ControlName box, const Text& undo_note)
{
    on_ui_thread([&] { notes_[box.utf8] = undo_note; });
    TableWindow::begin_operation(box, undo_note);
}

std::vector<BoxMenuItem> MemoryControls::menu(ControlName b)
{
    return on_ui_thread([&] { return box(b).menu(); });
}

void MemoryControls::choose(ControlName b, int id)
{
    on_ui_thread([&] { box(b).choose(id); });
}

void MemoryControls::stop_at_serve(int n)
{
    on_ui_thread([&] {
        memory.serves_ = 0;
        memory.stop_at_serve_ = n;
    });
}

int MemoryControls::serves()
{
    return on_ui_thread([&] { return memory.serves_; });
}

void MemoryControls::answer_filter(std::optional<FilterOptions> answer)
{
    on_ui_thread([&] { memory.filter_answer_ = std::move(answer); });
}

FilterQuestion MemoryControls::filter_question()
{
    return on_ui_thread([&] { return memory.filter_asked_; });
}

void MemoryControls::set_client_size(int w, int h)
{
    on_ui_thread([&] {
        memory.width_ = w;
        memory.height_ = h;
    });
}

void MemoryControls::set_clipboard(const Text& t)
{
    on_ui_thread([&] {
        memory.clipboard_ = t;
        memory.clipboard_outcome_ = ClipboardRead::text;
    });
}

void MemoryControls::set_clipboard_unreadable(ClipboardRead::Outcome why)
{
    on_ui_thread([&] { memory.clipboard_outcome_ = why; });
}

Text MemoryControls::caption(ControlName c)
{
    return on_ui_thread([&] { return memory.at(c).text; });
}

std::pair<int, int> MemoryControls::caption_width(ControlName c)
{
    return on_ui_thread([&] {
        const MemoryBackend::State& s = memory.at(c);
        return std::pair{memory.fitted_width(*s.row, s.fit), s.placed.width};
    });
}

Rect MemoryControls::placed(ControlName c)
{
    return on_ui_thread([&] { return memory.at(c).placed; });
}

Text MemoryControls::pane_text(ControlName status_bar, int pane)
{
    return on_ui_thread([&] {
        (void)memory.at(status_bar);
        return pane >= 0 && pane < pane_count ? memory.panes_[static_cast<std::size_t>(pane)] : Text();
    });
}

int MemoryControls::content_changed_count(ControlName edit)
{
    return on_ui_thread([&] {
        auto it = changes_.find(edit.utf8);
        return it == changes_.end() ? 0 : it->second;
    });
}

Text MemoryControls::operation_note(ControlName edit)
{
    return on_ui_thread([&] {
        auto it = notes_.find(edit.utf8);
        return it == notes_.end() ? Text() : it->second;
    });
}

} // namespace fenrow
