// Lists in and out of the command line: files or the standard streams, line
// ends made CR LF on the way in and given back on the way out, UTF-8 or
// code page 936.
#pragma once

#include "cli/cli.h"
#include "runtime/text.h"

#include <optional>

namespace fenrow {

struct ListInput {
    Text text;
    bool crlf = false; // the first line ends in CR LF
};

// A file's lines (name "-": standard input's) as a box holds them: every line
// end CR LF, and the file's last line end, which closes its last line, not
// one more empty line. A message for the user when it cannot be read or is
// not text.
std::optional<Text> read_list(const Text& name, bool utf8, CliStreams& io, ListInput& in);

// The list as a file: LF line ends unless with_crlf, and a line end closing the
// last line; to the named file, replaced whole or left as it was, or to
// standard output. cli_ok, or cli_file with a message written.
int write_list(CliStreams& io, Text list, const std::optional<Text>& to, bool with_crlf, bool utf8);

} // namespace fenrow
