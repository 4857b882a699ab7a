#include "ops/extract.h"

#include "ops/control_names.h"
#include "runtime/codepage.h"
#include "runtime/text_routines.h"

namespace fenrow {

bool markers_present(const Text& list, const ExtractOptions& o)
{
    // Exact case and no quote token here: a marker must stand in the list as
    // typed. An empty marker passes unless the list is empty.
    return txt_find(list, o.head, std::nullopt, false) != -1 && txt_find(list, o.tail, std::nullopt, false) != -1;
}

Extraction extract(const Text& list, const ExtractOptions& o)
{
    if (!markers_present(list, o))
        return refused<Extraction>({"请输入正确的帐号前后字符,没有请留空"_t, "提示"_t});

    const Text h = with_quotes(o.head), t = with_quotes(o.tail);
    std::string result;
    result.reserve(list.view().size() + list.view().size() / 8 + 2);
    for_each_crlf_piece(list.view(), [&](std::string_view line) {
        result += text_between_view(line, h.view(), t.view(), 0, true);
        result += crlf;
    });
    Extraction r;
    r.list = Text(std::move(result));
    return r;
}

} // namespace fenrow
