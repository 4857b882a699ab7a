#include "ops/jobs.h"

#include "runtime/codepage.h"

namespace fenrow {

Text job_running_note() { return "上一次操作尚未完成，请稍候再点！"_t; }

} // namespace fenrow
