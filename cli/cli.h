// The command-line face: one operation of the window run over files or the
// standard streams, its options given as flags and set on a window in memory,
// the operation's messages written to standard error.
#pragma once

#include "ops/controls.h"
#include "ops/operations.h"
#include "runtime/text.h"

#include <span>

#include <string>
#include <string_view>
#include <vector>

namespace fenrow {

// The standard streams as a run sees them.
class CliStreams {
public:
    virtual ~CliStreams() = default;
    // All of standard input; false on a read error.
    virtual bool read_input(std::string& out) = 0;
    // False when not every byte could be written.
    virtual bool write_output(std::string_view bytes) = 0;
    // One line for the user, without its line end.
    virtual void write_error(const Text& line) = 0;
};

enum CliExit : int {
    cli_ok = 0,
    cli_refused = 1, // the operation showed a message other than its success
    cli_usage = 2,   // unknown operation or flag, missing or extra file names
    cli_file = 3,    // an input unreadable or not text, an output unwritable
};

// An operation of the command line: the button whose click it is, the
// handler that click runs, the box that holds the result and how many lists
// it reads (pick reads two).
struct CliOperation {
    const char* name;
    ControlName button; // runs what the window's button runs
    ControlName result;
    int inputs;
    // Run instead of the button's handler: split takes one block with the
    // settings of the button's group, as generate does for each file.
    OperationRun run = nullptr;
};
std::span<const CliOperation> cli_operations();

// args: the arguments after the program's name. Writes nothing to the output
// unless the run succeeds; an output file is replaced whole or left as it was.
int run_cli(const std::vector<Text>& args, CliStreams& io);

// The --help text, Chinese and English.
Text cli_help();

} // namespace fenrow
