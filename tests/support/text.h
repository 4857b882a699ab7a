// Texts of raw bytes in tests: T("\xd6\xd0") or T(std::string(...)), any bytes
// up to the first zero.
#pragma once

#include "runtime/text.h"

#include <string>
#include <utility>

namespace fenrow {

inline Text T(std::string bytes) { return Text(std::move(bytes)); }

} // namespace fenrow
