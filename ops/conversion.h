// Numbering conversion (按钮_转换): every account line gets its number and the
// prefix text in front, and/or the two suffix texts behind.
#pragma once

#include "runtime/text.h"
#include "runtime/text_routines.h"

#include <climits>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace fenrow {

class WorkPool;

// The options of the window's 分组框2, as it starts.
struct ConversionOptions {
    bool numbering = true;
    bool suffix = true;
    Text prefix = "=";  // between the number and the account
    Text symbol = "=";  // the first suffix text
    Text chars;         // the second
    friend bool operator==(const ConversionOptions&, const ConversionOptions&) = default;
};

// Where a conversion's result lines go while they are made, batch by batch,
// and where the option texts come from afresh at the start of every batch.
class ConversionOutput {
public:
    // A batch ends after `lines` lines, or once it holds `bytes` bytes; the
    // first gets `room` bytes at once.
    explicit ConversionOutput(int lines = INT_MAX, std::size_t bytes = SIZE_MAX, std::size_t room = 0)
        : batch_lines(lines), batch_bytes(bytes), first_batch_room(room)
    {
    }
    virtual ~ConversionOutput() = default;
    const int batch_lines;
    const std::size_t batch_bytes;
    const std::size_t first_batch_room;

    // A batch of result lines joined by CR LF; every batch but the first
    // starts with the CR LF behind the line before it.
    virtual void append(Text&& batch) = 0;
    // With numbering and suffix, the numbered lines are made whole first and
    // the output starts afresh for the suffixed ones.
    virtual void restart() {}
    // About how many bytes the whole result will take, before the first batch.
    virtual void expect(std::size_t /*bytes*/) {}
    // By default the options stay as given.
    virtual void reread_prefix(Text&) {}
    virtual void reread_suffix(Text& /*symbol*/, Text& /*chars*/) {}
};

// The result lines of the list into out, without a CR LF behind the last:
// the cleaning at the end (conversion_needs_cleaning) would only cut it off
// again. The list is let go before the suffixed lines are made. With a pool,
// a long list is made in parallel and appended in rounds of several batches,
// the options read at the start of each round.
void convert_lines(std::shared_ptr<const Text> list, ConversionOptions options, ConversionOutput& out,
                   WorkPool* pool = nullptr);

// Whether the result lines, each given its CR LF, change when cleaned of
// blank lines: only a leading CR LF or a run of blank lines inside can.
// With a pool, a long result is searched in parallel.
bool conversion_needs_cleaning(std::string_view result, WorkPool* pool = nullptr);

// The result cleaned as it would be with a CR LF behind it, in its own bytes.
Text clean_conversion(Text&& result);

// The whole conversion at once, as the result box ends up.
Text convert(std::shared_ptr<const Text> list, const ConversionOptions& options, WorkPool* pool = nullptr);

// convert_lines over a list given in parts, each a run of its lines as
// for_each_crlf_piece cuts the whole list (the last part may end without a
// line break): the result lines, joined by CR LF, appended to out part by
// part. Cleaned of blank lines as convert cleans them, they are its result.
class ConversionInParts {
public:
    explicit ConversionInParts(ConversionOptions options) : o_(std::move(options)) {}
    void add(std::string_view part, std::string& out);
    // The numbered lines are cut anew for their suffixes: the last of them.
    void finish(std::string& out);

private:
    void add_suffixed(std::string_view line, std::string& out);
    ConversionOptions o_;
    int number_ = 0;
    bool first_ = true;
    std::string numbered_;
    CrlfPieceStream renumbered_;
};

} // namespace fenrow
