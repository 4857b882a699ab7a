#include "tests/support/blank_lines_reference.h"

#include "modules/regex_object.h"
#include "runtime/automation.h"

#include <string_view>

namespace fenrow {

Text remove_blank_lines_by_expression(const Text& t)
{
    std::string_view s = t.view();
    if (s.starts_with("\r\n"))
        s.remove_prefix(2);
    if (s.size() >= 2 && s.ends_with("\r\n"))
        s.remove_suffix(2);
    const Text cut(s);
    // An LF, the whitespace behind it, up to the last CR of that run.
    RegexObject re;
    if (!re.search("\\n\\s*\\r", cut))
        return t;
    Text r = re.replace(Text());
    return obj_result_code() == result_ok ? r : t;
}

} // namespace fenrow
