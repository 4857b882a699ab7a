#include "ops/extract.h"

#include "runtime/codepage.h"
#include "runtime/desktop.h"
#include "runtime/text_routines.h"

namespace fenrow {

void extract_accounts(Controls& ui)
{
    const std::shared_ptr<const Text> shared = ui.share_content(ctl::left_box);
    const Text& source = *shared;
    const Text head = ui.get_content(ctl::extract_head);
    const Text tail = ui.get_content(ctl::extract_tail);

    // Exact case and no quote token here: a marker must stand in the source as
    // typed. An empty marker passes unless the source is empty.
    if (txt_find(source, head, std::nullopt, false) == -1 || txt_find(source, tail, std::nullopt, false) == -1) {
        message_box("请输入正确的帐号前后字符,没有请留空"_t, 0, "提示"_t);
        return;
    }

    // The markers are read once: nothing runs between the lines that could
    // change them.
    const Text h = with_quotes(head), t = with_quotes(tail);
    std::string result;
    result.reserve(source.view().size() + source.view().size() / 8 + 2);
    for_each_crlf_piece(source.view(), [&](std::string_view line) {
        result += text_between_view(line, h.view(), t.view(), 0, true);
        result += crlf;
    });
    ui.give_content(ctl::left_box, Text(std::move(result)));
}

} // namespace fenrow
