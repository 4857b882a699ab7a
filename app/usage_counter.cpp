#include "app/usage_counter.h"

#include "modules/http.h"
#include "runtime/codepage.h"
#include "runtime/text_routines.h"

#ifndef FENROW_COUNTER_URL
#error "FENROW_COUNTER_URL names the counter page; app/CMakeLists.txt sets it"
#endif

namespace fenrow {

const char* const counter_page_address = FENROW_COUNTER_URL;

void fetch_usage_count(Controls& ui, std::stop_token stop) { fetch_usage_count(ui, counter_page_address, stop); }

void fetch_usage_count(Controls& ui, const Text& page_address, std::stop_token stop)
{
    const Text page = http_fetch({.url = page_address, .stop = stop}).body;
    // The count is taken as it stands between the phrases, spaces and all.
    const Text count = text_between(page, "已有 "_t, " 次阅读"_t, 0, false);
    ui.set_pane_text(ctl::status_bar, usage_pane, count.empty() ? "获取失败"_t : count + " 次"_t);
}

} // namespace fenrow
