// The window's own handlers and its event table: which operation each control
// event runs. Handlers take the control access and run on the UI thread.
#pragma once

#include "app/control_table.h"
#include "ops/controls.h"

#include <functional>
#include <stop_token>
#include <vector>

namespace fenrow {

// A whole window as its event handlers see it: its controls, their layout, and
// the workers that belong to it.
class WindowControls : public Controls, public ControlLayout {
public:
    // Starts body on a worker that ends with the window: closing asks it to
    // stop (the token) and waits for it. False when no thread could be made.
    virtual bool start_owned_worker(std::function<void(std::stop_token)> body) = 0;
};

enum class Event { created, size_changed, mouse_moved, content_changed, clicked };

// Takes the window; operations that need only its controls bind as they are.
using Handler = std::function<void(WindowControls& ui)>;

struct Binding {
    ControlName control; // empty: the Main window
    Event event;
    Handler handler;
};

const std::vector<Binding>& event_table();
Handler find_handler(ControlName control, Event event);

// Writes the control's hint (the window's own for the empty name) into the
// hint pane; controls without a hint leave it as it is.
void show_hint(Controls& ui, ControlName control);
void update_line_count(Controls& ui, ControlName box, ControlName label);
void copy_from_box(Controls& ui, ControlName box);
void paste_into_box(Controls& ui, ControlName box);
void report_not_developed(Controls& ui);
void on_main_window_created(WindowControls& ui);
// A window program's start: its directory made the current one, generated
// files sent to the documents folder when that directory cannot take them,
// and the window's settings file named (window_settings.h).
void init_program_folders();
// What the hint pane says at start when the program runs from a temporary
// folder, as it does when started from inside a zip.
Text unpack_first_note();
// Whether the created handler starts the usage-count worker. Tests switch it
// off: their windows must not reach the counter page.
extern bool usage_counter_at_start;

} // namespace fenrow
