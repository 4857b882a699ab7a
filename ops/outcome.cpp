#include "ops/outcome.h"

#include "runtime/codepage.h"
#include "runtime/desktop.h"

namespace fenrow {

void show(const Message& m) { message_box(m.text, 0, m.title); }

Message out_of_memory_message() { return {"内存不足：操作未完成，框中文本未改变。"_t, "提示！"_t}; }

} // namespace fenrow
