// The command line's arguments: the operation, its flags set straight into
// the operations' options, the lists to read and where the results go.
#pragma once

#include "cli/cli.h"
#include "ops/add_suffix.h"
#include "ops/conversion.h"
#include "ops/extract.h"
#include "ops/generate.h"
#include "ops/list_tools.h"
#include "runtime/file_encoding.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace fenrow {

struct CliRequest {
    // Each operation's options start as in the window, except that a
    // numbering run numbers (the suffix half is asked for by its flags) and
    // generate writes into the current directory.
    CliRequest()
    {
        number.suffix = false;
        generate.directory = Text(".");
    }

    const CliOperation* op = nullptr;
    ConversionOptions number;
    MarkOptions suffix;
    ExtractOptions extract;
    GenerateOptions generate; // and split's block
    LineCompare compare;      // dedupe's, and the list tools' that compare lines
    FilterOptions filter;     // its text is filter's first name on the line
    SortOptions sort;
    std::optional<Text> seed; // shuffle's, checked with the values
    std::vector<Text> inputs;
    // Files of generate's names already there: refused, replaced, or the
    // numbering goes on after the highest.
    enum class Existing { refuse, overwrite, go_on } existing = Existing::refuse;
    std::optional<Text> output, rest;
    bool utf8 = false;
    // The inputs' encoding (--encoding): unset as the system's GBK (UTF-8 with
    // --utf8); the detector's guess with "auto".
    std::optional<FileEncoding> encoding;
    bool detect_encoding = false;
    std::optional<Text> bad_encoding; // a value --encoding does not know
    std::optional<bool> crlf; // the output's line ends; unset: as the input's
    bool help = false;
};

// The encoding an --encoding value names: gbk, utf-8, utf-16le, utf-16be, big5
// (any case); nullopt for any other.
std::optional<FileEncoding> encoding_named(const Text& name);

// A message for the user about the command line, or nothing when it parses.
std::optional<Text> parse_arguments(const std::vector<Text>& args, CliRequest& r);

// The same for the values a flag may take: the extension of generate's files
// must be one the window offers, shuffle's seed a number. Checked once the lists are read, so that an
// unreadable list is reported first.
std::optional<Text> check_values(const CliRequest& r);

// shuffle's seed, once check_values has found it a number; a fresh one without --seed.
std::uint64_t shuffle_seed(const CliRequest& r);

// The --help text, Chinese and English.
Text cli_help();

} // namespace fenrow
