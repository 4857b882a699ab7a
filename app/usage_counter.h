// The usage counter: once per run, the count of a public page's readings,
// shown in the status bar beside "使用次数：".
#pragma once

#include "ops/controls.h"
#include "runtime/text.h"

#include <stop_token>

namespace fenrow {

// The counter page, fixed when the program is built (FENROW_COUNTER_URL).
extern const char* const counter_page_address;

// The worker body: pane 1 of 状态条1 gets the count and " 次", or "获取失败"
// when the page could not be read or does not carry the count.
// A stop request ends the page's request early; the pane then says "获取失败".
void fetch_usage_count(Controls& ui, std::stop_token stop = {});
// The same for another page; for tests, which must not reach the real one.
void fetch_usage_count(Controls& ui, const Text& page_address, std::stop_token stop = {});

} // namespace fenrow
