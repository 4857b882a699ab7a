#include "ops/blank_lines.h"

#include "modules/regex_object.h"
#include "runtime/automation.h"

namespace fenrow {

Text remove_blank_lines(const Text& t)
{
    // One line break off each end; a text without them is not copied.
    Text trimmed;
    const Text* cut = &t;
    if (txt_left(*cut, 2) == Text(crlf)) {
        trimmed = txt_right(*cut, txt_len(*cut) - 2);
        cut = &trimmed;
    }
    if (txt_right(*cut, 2) == Text(crlf)) {
        trimmed = txt_left(*cut, txt_len(*cut) - 2);
        cut = &trimmed;
    }

    // An LF, the whitespace behind it, up to the last CR of that run.
    RegexObject re;
    if (!re.search("\\n\\s*\\r", *cut))
        return t;
    Text r = re.replace(Text());
    return obj_result_code() == result_ok ? r : t;
}

void remove_blank_lines_in_both(Controls& ui)
{
    ui.set_content(ctl::left_box, remove_blank_lines(ui.get_content(ctl::left_box)));
    ui.set_content(ctl::right_box, remove_blank_lines(ui.get_content(ctl::right_box)));
}

} // namespace fenrow
