#include "ops/jobs.h"

#include "runtime/codepage.h"
#include "runtime/worker.h"

#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace fenrow {

namespace {

using Slot = std::pair<const Controls*, std::string>;

std::mutex slots_mutex;
std::condition_variable slot_released;
std::set<Slot>& busy_slots()
{
    static std::set<Slot> slots;
    return slots;
}

bool claim(const Slot& slot)
{
    std::lock_guard lock(slots_mutex);
    return busy_slots().insert(slot).second;
}

void release(const Slot& slot)
{
    {
        std::lock_guard lock(slots_mutex);
        busy_slots().erase(slot);
    }
    slot_released.notify_all();
}

} // namespace

Text job_running_note() { return "上一次操作尚未完成，请稍候再点！"_t; }

bool start_box_job(Controls& ui, ControlName box, const std::function<void()>& prepare, std::function<void()> body)
{
    Slot slot{&ui, std::string(box.utf8)};
    if (!claim(slot)) {
        ui.set_pane_text(ctl::status_bar, hint_pane, job_running_note());
        return false;
    }
    try {
        if (prepare)
            prepare();
    } catch (...) {
        release(slot);
        throw;
    }
    const bool started = start_worker([slot, body = std::move(body)] {
        struct Release {
            const Slot& s;
            ~Release() { release(s); }
        } done{slot};
        body();
    });
    if (!started)
        release(slot);
    return started;
}

bool box_job_running(Controls& ui, ControlName box)
{
    std::lock_guard lock(slots_mutex);
    return busy_slots().contains(Slot{&ui, std::string(box.utf8)});
}

void wait_for_box_jobs(const Controls& ui)
{
    std::unique_lock lock(slots_mutex);
    slot_released.wait(lock, [&ui] {
        const auto& slots = busy_slots();
        const auto first = slots.lower_bound(Slot{&ui, std::string()});
        return first == slots.end() || first->first != &ui;
    });
}

} // namespace fenrow
