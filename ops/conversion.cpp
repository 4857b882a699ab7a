#include "ops/conversion.h"

#include "ops/blank_lines.h"
#include "ops/control_names.h"
#include "runtime/text_routines.h"

#include <charconv>
#include <utility>

namespace fenrow {

namespace {

void append_number(std::string& out, int n)
{
    char digits[16];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

// Makes every line of text into out's batches, the results joined by CR LF;
// reread runs at the start of every batch.
template <typename Reread, typename Make>
void in_batches(std::string_view text, ConversionOutput& out, Reread reread, Make make)
{
    std::string batch;
    batch.reserve(out.first_batch_room);
    int in_batch = 0;
    bool first = true;
    for_each_crlf_piece(text, [&](std::string_view piece) {
        if (in_batch == 0)
            reread();
        if (!first)
            batch += crlf;
        first = false;
        make(batch, piece);
        if (++in_batch == out.batch_lines || batch.size() >= out.batch_bytes) {
            out.append(Text(std::move(batch)));
            batch.clear();
            in_batch = 0;
        }
    });
    if (in_batch > 0)
        out.append(Text(std::move(batch)));
}

void add_suffixes(std::string_view text, ConversionOptions& o, ConversionOutput& out)
{
    in_batches(text, out, [&] { out.reread_suffix(o.symbol, o.chars); },
               [&](std::string& batch, std::string_view piece) {
                   batch += piece;
                   batch += o.symbol.view();
                   batch += o.chars.view();
               });
}

// The batches joined: in one batch, which is not moved while it grows.
class Collected : public ConversionOutput {
public:
    explicit Collected(std::size_t room) : ConversionOutput(INT_MAX, SIZE_MAX, room) {}
    void append(Text&& batch) override
    {
        if (text.empty())
            text = std::move(batch);
        else
            text += batch;
    }
    Text text;
};

} // namespace

void convert_lines(std::shared_ptr<const Text> list, ConversionOptions o, ConversionOutput& out)
{
    if (o.numbering && !o.suffix) {
        int i = 0;
        in_batches(list->view(), out, [&] { out.reread_prefix(o.prefix); },
                   [&](std::string& batch, std::string_view line) {
                       append_number(batch, ++i);
                       batch += o.prefix.view();
                       batch += line;
                   });
    } else if (o.suffix && !o.numbering) {
        add_suffixes(list->view(), o, out);
    } else if (o.suffix && o.numbering) {
        // The numbered text is built whole first; only the suffix pass
        // shows. It is cut into lines anew, as the suffix pass sees it.
        std::string numbered;
        numbered.reserve(list->view().size() + list->view().size() / 4);
        int n = 0;
        for_each_crlf_piece(list->view(), [&](std::string_view line) {
            if (n % out.batch_lines == 0)
                out.reread_prefix(o.prefix);
            append_number(numbered, ++n);
            numbered += o.prefix.view();
            numbered += line;
            numbered += crlf;
        });
        list.reset(); // a long list is held three times over otherwise
        out.restart();
        add_suffixes(Text(std::move(numbered)).view(), o, out);
    }
}

bool conversion_needs_cleaning(std::string_view result) { return result.starts_with(crlf) || holds_blank_lines(result); }

Text convert(std::shared_ptr<const Text> list, const ConversionOptions& options)
{
    // Room for twice the list: pages never written cost nothing.
    Collected out(2 * list->view().size());
    convert_lines(std::move(list), options, out);
    if (!conversion_needs_cleaning(out.text.view()))
        return std::move(out.text);
    out.text.append(crlf);
    return remove_blank_lines(std::move(out.text));
}

void ConversionInParts::add_suffixed(std::string_view line, std::string& out)
{
    if (!first_)
        out += crlf;
    first_ = false;
    out += line;
    out += o_.symbol.view();
    out += o_.chars.view();
}

void ConversionInParts::add(std::string_view part, std::string& out)
{
    if (o_.numbering && !o_.suffix) {
        for_each_crlf_piece(part, [&](std::string_view line) {
            if (!first_)
                out += crlf;
            first_ = false;
            append_number(out, ++number_);
            out += o_.prefix.view();
            out += line;
        });
    } else if (o_.suffix && !o_.numbering) {
        for_each_crlf_piece(part, [&](std::string_view line) { add_suffixed(line, out); });
    } else if (o_.suffix && o_.numbering) {
        // As convert_lines: the numbered lines, each ending in CR LF, cut anew.
        numbered_.clear();
        for_each_crlf_piece(part, [&](std::string_view line) {
            append_number(numbered_, ++number_);
            numbered_ += o_.prefix.view();
            numbered_ += line;
            numbered_ += crlf;
        });
        renumbered_.feed(numbered_, [&](std::string_view line) { add_suffixed(line, out); });
    }
}

void ConversionInParts::finish(std::string& out)
{
    renumbered_.finish([&](std::string_view line) { add_suffixed(line, out); });
}

} // namespace fenrow
