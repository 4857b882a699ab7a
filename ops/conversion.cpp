#include "ops/conversion.h"

#include "ops/blank_lines.h"
#include "ops/jobs.h"
#include "runtime/text_routines.h"

#include <charconv>
#include <memory>
#include <string>
#include <string_view>

namespace fenrow {

namespace {

constexpr ControlName source = ctl::left_box, result = ctl::right_box;

void append_number(std::string& out, int n)
{
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

// Appends what make builds from every line of text, the results joined by
// CR LF, one append per batch; options gives the option texts, read again for
// every batch. The CR LF behind the last piece is left out: the final pass
// would only cut it off again, and without it the box usually needs no rewrite.
template <typename Options, typename Make>
void append_in_batches(Controls& ui, std::string_view text, Options options, Make make)
{
    std::string batch;
    int in_batch = 0;
    bool first = true;
    decltype(options()) current{};
    for_each_crlf_piece(text, [&](std::string_view piece) {
        if (in_batch == 0)
            current = options();
        if (!first)
            batch += crlf;
        first = false;
        make(batch, piece, current);
        if (++in_batch == batch_lines || batch.size() >= batch_bytes) {
            ui.append_text(result, Text(std::move(batch)));
            batch.clear();
            in_batch = 0;
        }
    });
    if (in_batch > 0)
        ui.append_text(result, Text(std::move(batch)));
}

struct Suffix {
    Text symbol, chars;
};

Suffix read_suffix(Controls& ui) { return {ui.get_content(ctl::suffix_symbol), ui.get_content(ctl::suffix_text)}; }

void add_suffixes(Controls& ui, std::string_view text)
{
    append_in_batches(ui, text, [&] { return read_suffix(ui); },
                      [](std::string& out, std::string_view piece, const Suffix& s) {
                          out += piece;
                          out += s.symbol.view();
                          out += s.chars.view();
                      });
}

} // namespace

void start_conversion(Controls& ui)
{
    start_box_job(ui, result, [&ui] { ui.set_content(result, Text()); }, [&ui] { run_conversion(ui); });
}

void run_conversion(Controls& ui)
{
    const bool numbering = ui.is_checked(ctl::prefix_check);
    const bool suffix = ui.is_checked(ctl::suffix_check);
    if (numbering || suffix) {
        std::shared_ptr<const Text> lines = ui.share_content(source);
        if (numbering && !suffix) {
            int i = 0;
            append_in_batches(ui, lines->view(), [&] { return ui.get_content(ctl::prefix_text); },
                              [&i](std::string& out, std::string_view line, const Text& prefix) {
                                  append_number(out, ++i);
                                  out += prefix.view();
                                  out += line;
                              });
        } else if (suffix && !numbering) {
            add_suffixes(ui, lines->view());
        } else {
            // The numbered text is built whole first; only the suffix pass
            // shows. It is cut into lines anew, as the suffix pass sees it.
            std::string numbered;
            numbered.reserve(lines->view().size() + lines->view().size() / 4);
            Text prefix;
            int n = 0;
            for_each_crlf_piece(lines->view(), [&](std::string_view line) {
                if (n % batch_lines == 0)
                    prefix = ui.get_content(ctl::prefix_text);
                append_number(numbered, ++n);
                numbered += prefix.view();
                numbered += line;
                numbered += crlf;
            });
            lines.reset(); // a long list is held three times over otherwise
            ui.set_content(result, Text());
            add_suffixes(ui, Text(std::move(numbered)).view());
        }
    }
    // Cleaned as if every line had its CR LF behind it; a text the cleaning
    // leaves as it is needs no rewrite of the whole box.
    // With a CR LF added, only a leading CR LF or a run of blank lines inside
    // can change it.
    const std::shared_ptr<const Text> shown = ui.share_content(result);
    if (shown->view().starts_with(crlf) || holds_blank_lines(shown->view()))
        ui.give_content(result, remove_blank_lines(*shown + crlf));
}

} // namespace fenrow
