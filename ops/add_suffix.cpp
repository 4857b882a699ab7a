#include "ops/add_suffix.h"

#include "ops/blank_lines.h"
#include "ops/jobs.h"
#include "runtime/codepage.h"

#include <cmath>
#include <string_view>
#include <vector>

namespace fenrow {

namespace {

constexpr ControlName result = ctl::right_box;

struct Group {
    int32_t size;
    Text symbol;
};

// Blank lines do not count as accounts: those remove_blank_lines keeps at the
// ends (a run of them at the top, or of spaces only) are dropped as well.
TextArray accounts_of(const Text& list)
{
    TextArray lines = txt_split(remove_blank_lines(list), crlf);
    std::erase_if(lines.items(), [](const Text& line) {
        return line.view().find_first_not_of(" \t\n\v\f\r") == std::string_view::npos;
    });
    return lines;
}

} // namespace

Text add_suffix_notice() { return "正在添加，请稍等……"_t + crlf + "后缀添加完毕才会显示！"_t; }

void start_add_suffix(Controls& ui)
{
    start_box_job(ui, result, [&ui] { ui.set_content(result, add_suffix_notice()); }, [&ui] { run_add_suffix(ui); });
}

void run_add_suffix(Controls& ui)
{
    const TextArray lines = accounts_of(ui.get_content(ctl::left_box));
    const bool first_mode = ui.is_checked(ctl::mark_first);
    const bool last_mode = !first_mode && ui.is_checked(ctl::mark_last);
    Text r;
    if (first_mode || last_mode) {
        Group g{};
        double k = 1; // the next group number, first-account mode
        const int c = array_count(lines);
        for (int i = 1; i <= c; ++i) {
            if ((i - 1) % batch_lines == 0)
                g = {txt_to_int(ui.get_content(ctl::group_size)), ui.get_content(ctl::mark_symbol)};
            const double n = g.size;
            r += array_at(lines, i);
            if (first_mode) {
                if (i == std::trunc(n * k - (n - 1))) {
                    r += g.symbol;
                    r += txt_from_int(static_cast<int32_t>(k));
                    k += 1;
                }
            } else if (g.size != 0 && i % static_cast<int64_t>(g.size) == 0) {
                r += g.symbol;
                r += txt_from_double(i / n);
            }
            r += crlf;
        }
    }
    ui.set_content(result, remove_blank_lines(r));
}

} // namespace fenrow
