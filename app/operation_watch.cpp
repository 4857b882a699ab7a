#include "app/operation_watch.h"

#include "runtime/codepage.h"

#include <algorithm>
#include <cmath>

namespace fenrow {

Text operation_label(const ControlSpec& row)
{
    const Text caption = text_from_utf8(row.text);
    return Text(caption.view().substr(0, caption.view().find("↓"_t.view())));
}

Text stop_item_caption() { return "停止(&X)"_t; }

Text progress_note(const Text& label, int percent) { return "正在"_t + label + "… "_t + txt_from_int(percent) + "%"_t; }

Text stopped_note(const Text& label) { return label + "已停止，列表没有改动。"_t; }

Text finished_note(const Text& label) { return label + "完成。"_t; }

OperationWatch::OperationWatch(Text label, WatchTiming timing, std::function<void(const Text&)> show,
                               std::function<void(ProgressWatch&)> serve)
    : label_(std::move(label)), timing_(timing), show_(std::move(show)), serve_(std::move(serve))
{
}

void OperationWatch::report(double done)
{
    if (serving_)
        return;
    const Clock::time_point now = Clock::now();
    if (now - last_ < timing_.interval)
        return;
    last_ = now;
    if (now - start_ >= timing_.delay) {
        // Phases that were not told apart may start again from 0: the note keeps the highest.
        const int percent = std::max(percent_, static_cast<int>(std::floor(std::clamp(done, 0.0, 1.0) * 100)));
        if (percent != percent_) {
            percent_ = percent;
            show_(progress_note(label_, percent));
        }
    }
    if (serve_) {
        serving_ = true;
        serve_(*this);
        serving_ = false;
    }
}

} // namespace fenrow
