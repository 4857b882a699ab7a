// The list tools: smaller work on one list or two, each line an item, cut at
// CR LF as the buttons cut them (for_each_crlf_piece). Each keeps every byte
// of the lines it keeps (but trim), in the order they first occur unless it
// sorts, and gives them joined by CR LF without one behind the last.
//
// A blank line is empty, or holds only spaces, tabs and full-width spaces
// (A1 A1) where characters start. Where lines are compared without case or
// without blanks at their ends, and in the tools over two lists, a blank line
// is no item and never reaches the result; elsewhere blank lines stay where
// they stand.
#pragma once

#include "ops/outcome.h"
#include "runtime/text.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace fenrow {

enum class ListTool {
    dedupe_ignore_case,
    dedupe_trim,
    dupes,
    count,
    intersect,
    merge,
    only,
    keep_containing,
    drop_containing,
    sort,
    sort_natural,
    sort_reverse,
    shuffle,
    trim,
};

// A tool as a menu and the command line show it.
struct ListToolEntry {
    ListTool tool;
    Text caption;        // the menu's words
    const char* command; // the command line's operation, and its flag for this tool
    int lists;           // 1, or 2: the left box's list and the right box's
    bool asks_text;      // the text a line must hold
};
// Every tool, in the menu's order.
std::span<const ListToolEntry> list_tools();
const ListToolEntry& list_tool(ListTool tool);

// How lines are compared: by their exact bytes, or ASCII letters without case
// (only where characters start) and/or without blanks at either end.
struct LineCompare {
    bool ignore_case = false;
    bool trim = false;
    bool normalised() const { return ignore_case || trim; }
};

// Each line where it first occurs, compared as c says; the first spelling kept.
Text dedupe_lines(std::string_view list, LineCompare c);
// Each line occurring more than once, once, where it first occurs.
Text duplicate_lines(std::string_view list, LineCompare c = {});
// Each distinct line once, a tab, and how often it occurs.
Text count_lines(std::string_view list, LineCompare c = {});
// Each distinct line of a that b also has, in a's order.
Text intersect_lines(std::string_view a, std::string_view b, LineCompare c = {});
// Each distinct line of a, then each of b that a lacks.
Text merge_lines(std::string_view a, std::string_view b, LineCompare c = {});
// Each distinct line of a that b lacks, then each of b that a lacks.
Text only_lines(std::string_view a, std::string_view b, LineCompare c = {});

struct FilterOptions {
    Text text;          // found where a character starts, or a regular expression
    bool regex = false; // text is a pattern of runtime/regex.h
    bool ignore_case = false;
    bool invert = false; // the lines without it
};
struct Filtered : Outcome {
    Text list;
};
// The lines holding the text (or matching it), or those without; refused
// when the pattern does not compile or the search gives up.
Filtered filter_lines(std::string_view list, const FilterOptions& o);

struct SortOptions {
    bool natural = false; // runs of ASCII digits by their value
    bool reverse = false;
};
// The lines in byte order (or natural order), stable either way.
Text sort_lines(std::string_view list, SortOptions o = {});
// Whether a comes before b in natural order: runs of ASCII digits compared by
// value, leading zeros aside, everything else by bytes, a character at a time.
bool natural_less(std::string_view a, std::string_view b);

// The lines in an order drawn from seed, the same on every system.
Text shuffle_lines(std::string_view list, std::uint64_t seed);
// A seed of its own for a shuffle not asked to repeat.
std::uint64_t fresh_seed();

// Every line without blanks at either end.
Text trim_lines(std::string_view list);

// The tool's result over a (and b, for a tool over two lists). filter is the
// text a filtering tool asks for (its invert set by the tool), seed a shuffle's.
Filtered apply_list_tool(ListTool tool, std::string_view a, std::string_view b, const FilterOptions& filter,
                         std::uint64_t seed);

// The line without spaces, tabs and full-width spaces at either end: a view into it.
std::string_view trimmed(std::string_view line);

} // namespace fenrow
