#include "ops/controls.h"

#include "runtime/codepage.h"

#include <stdexcept>

namespace fenrow {

Text short_list_message() { return "前部分账号已分完，剩余账号小于待分账号个数，存在左侧！"_t; }

int count_box_lines(const Text& t)
{
    int n = 1;
    const std::string_view s = t.view();
    for (std::size_t at = s.find("\r\n"); at != std::string_view::npos; at = s.find("\r\n", at + 2))
        ++n;
    return n;
}

namespace {
std::vector<Text> lines_of(const char* utf8)
{
    std::vector<Text> out;
    std::string_view s = utf8 ? utf8 : "";
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

MemoryControls::MemoryControls(const std::vector<ControlSpec>& table, int client_width, int client_height)
    : client_width_(client_width), client_height_(client_height)
{
    for (const ControlSpec& c : table) {
        State s;
        s.kind = c.kind;
        s.container = std::string(c.container.utf8);
        s.geometry = c.geometry;
        s.on = c.initially_on;
        if (c.kind == ControlKind::combo_box) {
            s.items = lines_of(c.text);
            s.selection = s.items.empty() ? -1 : 0;
        } else if (c.kind == ControlKind::status_bar) {
            s.panes = lines_of(c.text);
            s.panes.resize(4);
        } else {
            s.text = text_from_utf8(c.text ? c.text : "");
        }
        controls_.emplace(std::string(c.name.utf8), std::move(s));
    }
}

MemoryControls::State& MemoryControls::at(ControlName c)
{
    auto it = controls_.find(c.utf8);
    if (it == controls_.end())
        throw std::out_of_range("no control named " + std::string(c.utf8));
    return it->second;
}

void MemoryControls::changed(ControlName c, State& s)
{
    ++s.changes;
    if (on_content_changed)
        on_content_changed(c);
}

Text MemoryControls::get_content(ControlName edit)
{
    std::lock_guard lock(mutex_);
    return at(edit).text;
}

void MemoryControls::set_content(ControlName edit, const Text& t)
{
    std::lock_guard lock(mutex_);
    State& s = at(edit);
    s.text = t;
    changed(edit, s);
}

void MemoryControls::append_text(ControlName edit, const Text& t)
{
    std::lock_guard lock(mutex_);
    State& s = at(edit);
    s.text += t;
    changed(edit, s);
}

bool MemoryControls::is_checked(ControlName box)
{
    std::lock_guard lock(mutex_);
    return at(box).on;
}

int MemoryControls::get_selection(ControlName combo)
{
    std::lock_guard lock(mutex_);
    return at(combo).selection;
}

Text MemoryControls::get_item(ControlName combo, int index)
{
    std::lock_guard lock(mutex_);
    const State& s = at(combo);
    if (index < 0 || index >= static_cast<int>(s.items.size()))
        return {};
    return s.items[static_cast<std::size_t>(index)];
}

void MemoryControls::set_caption(ControlName label, const Text& t)
{
    std::lock_guard lock(mutex_);
    at(label).text = t;
}

void MemoryControls::set_pane_text(ControlName status_bar, int pane, const Text& t)
{
    std::lock_guard lock(mutex_);
    State& s = at(status_bar);
    if (pane >= 0 && pane < static_cast<int>(s.panes.size()))
        s.panes[static_cast<std::size_t>(pane)] = t;
}

int MemoryControls::get_line_count(ControlName edit)
{
    std::lock_guard lock(mutex_);
    return count_box_lines(at(edit).text);
}

void MemoryControls::paste(ControlName edit)
{
    // The caret stands at the end, where the operations leave it.
    append_text(edit, clipboard_);
}

void MemoryControls::begin_operation(ControlName box, const Text& undo_note)
{
    std::lock_guard lock(mutex_);
    at(box).operation_note = undo_note;
}

Text MemoryControls::operation_note(ControlName edit)
{
    std::lock_guard lock(mutex_);
    return at(edit).operation_note;
}

Rect MemoryControls::get_geometry(ControlName c)
{
    std::lock_guard lock(mutex_);
    return at(c).geometry;
}

void MemoryControls::set_left(ControlName c, int v)
{
    std::lock_guard lock(mutex_);
    at(c).geometry.left = v;
}

void MemoryControls::set_top(ControlName c, int v)
{
    std::lock_guard lock(mutex_);
    at(c).geometry.top = v;
}

void MemoryControls::set_width(ControlName c, int v)
{
    std::lock_guard lock(mutex_);
    at(c).geometry.width = v;
}

void MemoryControls::set_height(ControlName c, int v)
{
    std::lock_guard lock(mutex_);
    at(c).geometry.height = v;
}

int MemoryControls::client_width()
{
    std::lock_guard lock(mutex_);
    return client_width_;
}

int MemoryControls::client_height()
{
    std::lock_guard lock(mutex_);
    return client_height_;
}

bool MemoryControls::start_owned_worker(std::function<void(std::stop_token)> body)
{
    return workers_.start(std::move(body));
}

void MemoryControls::set_checked(ControlName box, bool on)
{
    std::lock_guard lock(mutex_);
    State& s = at(box);
    if (s.kind == ControlKind::radio_box && on) {
        for (auto& [name, other] : controls_) {
            if (other.kind == ControlKind::radio_box && other.container == s.container)
                other.on = false;
        }
    }
    s.on = on;
}

void MemoryControls::set_selection(ControlName combo, int index)
{
    std::lock_guard lock(mutex_);
    at(combo).selection = index;
}

void MemoryControls::set_client_size(int w, int h)
{
    std::lock_guard lock(mutex_);
    client_width_ = w;
    client_height_ = h;
}

Text MemoryControls::caption(ControlName c)
{
    std::lock_guard lock(mutex_);
    return at(c).text;
}

Text MemoryControls::pane_text(ControlName status_bar, int pane)
{
    std::lock_guard lock(mutex_);
    const State& s = at(status_bar);
    return (pane >= 0 && pane < static_cast<int>(s.panes.size())) ? s.panes[static_cast<std::size_t>(pane)] : Text();
}

int MemoryControls::content_changed_count(ControlName edit)
{
    std::lock_guard lock(mutex_);
    return at(edit).changes;
}

} // namespace fenrow
