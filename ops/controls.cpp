#include "ops/controls.h"

#include "runtime/codepage.h"


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

} // namespace fenrow
