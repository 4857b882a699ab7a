#include "ops/controls.h"

namespace fenrow {

int count_box_lines(const Text& t)
{
    int n = 1;
    const std::string_view s = t.view();
    for (std::size_t at = s.find("\r\n"); at != std::string_view::npos; at = s.find("\r\n", at + 2))
        ++n;
    return n;
}

} // namespace fenrow
