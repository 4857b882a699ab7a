#include "ops/conversion.h"

#include "ops/blank_lines.h"
#include "ops/jobs.h"

namespace fenrow {

namespace {

constexpr ControlName source = ctl::left_box, result = ctl::right_box;

// Appends what make builds from every piece, the pieces joined by CR LF, one
// append per batch; options gives the option texts, read again for every
// batch. The CR LF behind the last piece is left out: the final pass would
// only cut it off again, and without it the box usually needs no rewrite.
template <typename Options, typename Make>
void append_in_batches(Controls& ui, const TextArray& pieces, Options options, Make make)
{
    Text batch;
    int in_batch = 0;
    bool first = true;
    decltype(options()) current{};
    for (const Text& piece : pieces) {
        if (in_batch == 0)
            current = options();
        if (!first)
            batch += crlf;
        first = false;
        make(batch, piece, current);
        if (++in_batch == batch_lines || batch.size() >= batch_bytes) {
            ui.append_text(result, batch);
            batch = Text();
            in_batch = 0;
        }
    }
    if (in_batch > 0)
        ui.append_text(result, batch);
}

struct Suffix {
    Text symbol, chars;
};

Suffix read_suffix(Controls& ui) { return {ui.get_content(ctl::suffix_symbol), ui.get_content(ctl::suffix_text)}; }

void add_suffixes(Controls& ui, const TextArray& pieces)
{
    append_in_batches(ui, pieces, [&] { return read_suffix(ui); },
                      [](Text& out, const Text& piece, const Suffix& s) {
                          out += piece;
                          out += s.symbol;
                          out += s.chars;
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
        TextArray lines = txt_split(ui.get_content(source), crlf);
        if (numbering && !suffix) {
            int i = 0;
            append_in_batches(ui, lines, [&] { return ui.get_content(ctl::prefix_text); },
                              [&i](Text& out, const Text& line, const Text& prefix) {
                                  out += txt_from_int(++i);
                                  out += prefix;
                                  out += line;
                              });
        } else if (suffix && !numbering) {
            add_suffixes(ui, lines);
        } else {
            // The numbered text is built whole first; only the suffix pass shows.
            Text numbered;
            Text prefix;
            int n = 0;
            for (const Text& line : lines) {
                if (n % batch_lines == 0)
                    prefix = ui.get_content(ctl::prefix_text);
                numbered += txt_from_int(++n);
                numbered += prefix;
                numbered += line;
                numbered += crlf;
            }
            lines = TextArray(); // a long list is held three times over otherwise
            ui.set_content(result, Text());
            add_suffixes(ui, txt_split(numbered, crlf));
        }
    }
    // Cleaned as if every line had its CR LF behind it; a text the cleaning
    // leaves as it is needs no rewrite of the whole box.
    const Text shown = ui.get_content(result);
    const Text cleaned = remove_blank_lines(shown.empty() ? shown : shown + crlf);
    if (!(cleaned == shown))
        ui.set_content(result, cleaned);
}

} // namespace fenrow
