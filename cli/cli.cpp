#include "cli/cli.h"

#include "cli/arguments.h"
#include "cli/console.h"
#include "cli/lists.h"
#include "runtime/codepage.h"
#include "runtime/fatal.h"

#include <memory>
#include <new>

namespace fenrow {

namespace {

int usage_error(CliStreams& io, const Text& why)
{
    io.write_error("fenrow-cli: "_t + why);
    io.write_error(Text("fenrow-cli --help"));
    return cli_usage;
}

int run_request(const std::vector<Text>& args, CliStreams& io)
{
    CliRequest r;
    if (const std::optional<Text> why = parse_arguments(args, r))
        return usage_error(io, *why);
    if (r.help)
        return io.write_output(console::for_terminal(cli_help()), console::terminal_encoding()) ? cli_ok : cli_file;
    if (r.inputs.empty())
        r.inputs.push_back(Text("-"));

    std::vector<Text> lists(r.inputs.size());
    bool crlf_in = false;
    // A file for a streamed run is read while the run goes; anything
    // read_list would refuse, or converts whole (another encoding), is read whole.
    std::unique_ptr<ListSource> first;
    const InputEncoding encoding{r.utf8, r.encoding, r.detect_encoding};
    if (r.op->stream && r.op->first_streamed && encoding.as_they_stand() && r.inputs[0] != Text("-"))
        first = stream_file(r.inputs[0], crlf_in);
    for (std::size_t i = first ? 1 : 0; i < r.inputs.size(); ++i) {
        ListInput in;
        if (const std::optional<Text> why = read_list(r.inputs[i], encoding, io, in)) {
            io.write_error("fenrow-cli: "_t + *why);
            return cli_file;
        }
        lists[i] = std::move(in.text);
        if (i == 0)
            crlf_in = in.crlf;
    }
    if (const std::optional<Text> why = check_values(r))
        return usage_error(io, *why);

    const bool crlf_out = r.crlf.value_or(crlf_in);
    if (r.op->stream) {
        if (!first)
            first = std::make_unique<HeldList>(lists[0].view());
        if (const std::optional<CliStream> stream = r.op->stream(r, *first, lists))
            return stream_list(io, r.output, crlf_out, r.utf8, *stream);
        if (lists[0].view().empty() && r.inputs[0] != Text("-")) { // run whole after all
            ListInput in;
            if (const std::optional<Text> why = read_list(r.inputs[0], encoding, io, in)) {
                io.write_error("fenrow-cli: "_t + *why);
                return cli_file;
            }
            lists[0] = std::move(in.text);
        }
    }
    const CliSay say = [&io](const Message& m) { io.write_error("["_t + m.title + "] "_t + m.text); };
    CliRun run = r.op->run(r, lists, say);
    lists.clear();
    if (!run.done)
        return cli_refused;
    // The result first: a failure there leaves the list where it was.
    if (const int exit = write_list(io, std::move(run.result), r.output, crlf_out, r.utf8); exit != cli_ok)
        return exit;
    return run.rest ? write_list(io, std::move(*run.rest), r.rest, crlf_out, r.utf8) : cli_ok;
}

} // namespace

int run_cli(const std::vector<Text>& args, CliStreams& io)
{
    try {
        // The run is one step: memory running out ends it with its own exit code.
        const RecoverableAllocations in_step;
        return run_request(args, io);
    } catch (const std::bad_alloc&) {
        // The lists are gone by now: there is memory for the message.
        const Message m = out_of_memory_message();
        io.write_error("["_t + m.title + "] "_t + m.text);
        return cli_out_of_memory;
    }
}

} // namespace fenrow
