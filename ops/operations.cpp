#include "ops/operations.h"

#include "ops/handlers.h"

#include <array>

namespace fenrow {

namespace {

constexpr std::array operations{
    ButtonOperation{ctl::extract_button, extract_accounts},
    ButtonOperation{ctl::convert_button, start_conversion},
    ButtonOperation{ctl::generate_button, generate_text_files},
    ButtonOperation{ctl::mark_button, start_add_suffix},
    ButtonOperation{ctl::pick_button, pick_non_duplicates},
    ButtonOperation{ctl::dedupe_button, remove_duplicate_lines},
    ButtonOperation{ctl::blank_button, remove_blank_lines_in_both},
};

} // namespace

std::span<const ButtonOperation> button_operations() { return operations; }

OperationRun operation_of(ControlName button)
{
    for (const ButtonOperation& op : operations) {
        if (op.button == button)
            return op.run;
    }
    return nullptr;
}

} // namespace fenrow
