// The buttons that run an account operation and what each runs: the window
// binds them to its buttons, the command line calls them.
#pragma once

#include "ops/controls.h"

#include <span>

namespace fenrow {

using OperationRun = void (*)(Controls&);

struct ButtonOperation {
    ControlName button;
    OperationRun run;
};

std::span<const ButtonOperation> button_operations();
// What the button runs; nullptr for a button that runs no operation.
OperationRun operation_of(ControlName button);

} // namespace fenrow
