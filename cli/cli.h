// The command-line face: one account operation run over files or the standard
// streams, its options given as flags, without any window; the operation's
// messages go to standard error.
#pragma once

#include "cli/console.h"
#include "ops/control_names.h"
#include "ops/list_tools.h"
#include "ops/outcome.h"
#include "runtime/text.h"

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow {

// The standard streams as a run sees them.
class CliStreams {
public:
    virtual ~CliStreams() = default;
    // All of standard input; false on a read error.
    virtual bool read_input(std::string& out) = 0;
    // False when not every byte could be written; e says how the bytes are encoded.
    virtual bool write_output(std::string_view bytes, console::Encoding e) = 0;
    // One line for the user, without its line end.
    virtual void write_error(const Text& line) = 0;
};

enum CliExit : int {
    cli_ok = 0,
    cli_refused = 1, // the operation refused or stopped short (its message says why)
    cli_usage = 2,   // unknown operation or flag, missing or extra file names
    cli_file = 3,    // an input unreadable or not text, an output unwritable
    cli_out_of_memory = 4, // the run ran out of memory; nothing was written
};

struct CliRequest; // cli/arguments.h

// What an operation's run gives.
struct CliRun {
    explicit CliRun(Text r, bool d = true) : done(d), result(std::move(r)) {}
    bool done; // false: the operation refused or stopped short
    Text result;
    std::optional<Text> rest; // split's list without the block, when asked for
};
// Writes one message of the operation for the user.
using CliSay = std::function<void(const Message&)>;

class ListWriter; // cli/lists.h
class ListSource; // cli/lists.h
// A result written while it is made, from lists the run keeps meanwhile.
using CliStream = std::function<void(ListWriter&)>;

// An operation of the command line: the window's button whose work it does,
// or else the list tool (ops/list_tools.h) it runs, whose entry names it; how
// many lists it reads (pick and the tools over two lists read two), and its
// run over them, in
// cli/runs.cpp: the engine given the lists and the options the flags set.
// An operation that can write its result while it makes it has a stream
// over its first list, and the other lists read whole; nothing when the run
// must be made whole (one that refuses). first_streamed: its first list can
// be read while the run goes instead of whole (lists[0] is then empty).
struct CliOperation {
    const char* name;
    std::optional<ControlName> button; // none for a list tool
    int inputs;
    CliRun (*run)(const CliRequest& request, std::vector<Text>& lists, const CliSay& say);
    std::optional<CliStream> (*stream)(const CliRequest& request, ListSource& first, std::vector<Text>& lists) = nullptr;
    bool first_streamed = false;
    std::optional<ListTool> tool = std::nullopt; // a list tool's operation; its flags may pick another of them
};
std::span<const CliOperation> cli_operations();

// args: the arguments after the program's name. Writes nothing to the output
// unless the run succeeds; an output file is replaced whole or left as it was.
int run_cli(const std::vector<Text>& args, CliStreams& io);

} // namespace fenrow
