#include "ops/outcome.h"

#include "runtime/desktop.h"

namespace fenrow {

void show(const Message& m) { message_box(m.text, 0, m.title); }

} // namespace fenrow
