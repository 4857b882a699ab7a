#include "ops/add_suffix.h"

#include "ops/blank_lines.h"
#include "ops/jobs.h"
#include "runtime/codepage.h"
#include "runtime/text_routines.h"

#include <charconv>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>

namespace fenrow {

namespace {

constexpr ControlName result = ctl::right_box;

struct Group {
    int32_t size;
    Text symbol;
};

// Calls f with each account line of the list: blank lines do not count as
// accounts; those remove_blank_lines keeps at the ends (a run of them at the
// top, or of spaces only) are dropped as well.
template <typename F>
void for_each_account(const Text& list, F&& f)
{
    const auto account = [&](std::string_view line) {
        if (line.find_first_not_of(" \t\n\v\f\r") != std::string_view::npos)
            f(line);
    };
    // The cleaned list's lines without the cleaned list: read through its parts.
    CrlfPieceStream lines;
    for_each_kept_part(list.view(), [&](std::string_view part) { lines.feed(part, account); });
    lines.finish(account);
}

} // namespace

Text add_suffix_notice() { return "正在添加，请稍等……"_t + crlf + "后缀添加完毕才会显示！"_t; }

void start_add_suffix(Controls& ui)
{
    start_box_job(ui, result, [&ui] { ui.set_content(result, add_suffix_notice()); }, [&ui] { run_add_suffix(ui); });
}

void run_add_suffix(Controls& ui)
{
    const std::shared_ptr<const Text> list = ui.share_content(ctl::left_box);
    const bool first_mode = ui.is_checked(ctl::mark_first);
    const bool last_mode = !first_mode && ui.is_checked(ctl::mark_last);
    std::string r;
    if (first_mode || last_mode) {
        r.reserve(list->view().size() + list->view().size() / 4);
        Group g{};
        double k = 1; // the next group number, first-account mode
        int i = 0;
        for_each_account(*list, [&](std::string_view line) {
            if (i++ % batch_lines == 0)
                g = {txt_to_int(ui.get_content(ctl::group_size)), ui.get_content(ctl::mark_symbol)};
            const double n = g.size;
            r += line;
            if (first_mode) {
                if (i == std::trunc(n * k - (n - 1))) {
                    r += g.symbol.view();
                    char digits[16];
                    r.append(digits, std::to_chars(digits, digits + sizeof digits, static_cast<int32_t>(k)).ptr);
                    k += 1;
                }
            } else if (g.size != 0 && i % static_cast<int64_t>(g.size) == 0) {
                r += g.symbol.view();
                r += txt_from_double(i / n).view();
            }
            r += crlf;
        });
    }
    ui.give_content(result, remove_blank_lines(Text(std::move(r))));
}

} // namespace fenrow
