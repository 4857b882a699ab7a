// The window in memory against the contract every window keeps.
#include "app/memory_window.h"

#include "app/box_text.h"
#include "tests/app/window_contract.h"

#include <chrono>
#include <thread>

namespace fenrow {
namespace {

struct MemoryDriver {
    MemoryDriver()
    {
        usage_counter_at_start = false;
        w.raise(ctl::main_window, Event::created);
    }
    TableWindow& window() { return w; }
    void pump() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
    void resize_client(int width, int height)
    {
        w.set_client_size(width, height);
        w.raise(ctl::main_window, Event::size_changed);
    }
    bool minimise()
    {
        resize_client(0, 0);
        return true;
    }
    void restore() { resize_client(design_client_width, design_client_height); }
    bool rescale(int dpi)
    {
        const Scale scale{dpi};
        w.set_scale(scale);
        resize_client(scale.device(design_client_width), scale.device(design_client_height));
        return true;
    }
    Rect placed(ControlName c) { return w.placed(c); }
    Text shown(ControlName c) { return w.caption(c); }
    Text pane(int i) { return w.pane_text(ctl::status_bar, i); }
    bool caption_fits(ControlName c)
    {
        const auto [width, room] = w.caption_width(c);
        return width <= room;
    }
    void click(ControlName c)
    {
        const ControlKind k = w.row(c).kind;
        if (k == ControlKind::button)
            w.raise(c, Event::clicked);
        else
            w.set_checked(c, k == ControlKind::radio_box || !w.is_checked(c));
    }
    void type(ControlName box, std::u16string_view keys)
    {
        if (w.row(box).kind == ControlKind::edit && !w.row(box).multi_line) { // typed at the end
            w.set_content(box, w.get_content(box) + text_from_utf16(keys));
            return;
        }
        for (const char16_t k : keys) {
            if (k == u'\r')
                w.box(box).run(command_for_key(BoxKey::enter, false, false));
            else
                w.box(box).type(text_from_utf16(std::u16string_view(&k, 1)).view());
        }
    }
    void put_on_clipboard(std::u16string_view s) { w.set_clipboard(text_from_box(s)); }
    void offer_no_text() { w.set_clipboard_unreadable(ClipboardRead::no_text); }
    void point_at(ControlName c)
    {
        int x = 2, y = 2;
        for (ControlName at = c; !(at == ctl::main_window); at = w.row(at).container) {
            x += w.placed(at).left;
            y += w.placed(at).top;
        }
        w.raise(w.control_at(x, y), Event::mouse_moved);
    }

    MemoryControls w{control_table()};
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, WindowContract, MemoryDriver);

} // namespace fenrow
