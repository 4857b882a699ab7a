// The operations' runs on the command line: each engine given the lists read
// and the options the flags set, its outcome taken as results.
#pragma once

#include "cli/cli.h"
#include "runtime/text.h"

#include <optional>
#include <utility>

namespace fenrow {

struct CliRun {
    explicit CliRun(Text r, bool d = true) : done(d), result(std::move(r)) {}
    bool done; // false: the operation refused or stopped short
    Text result;
    std::optional<Text> rest; // split's list without the block, when asked for
};

} // namespace fenrow
