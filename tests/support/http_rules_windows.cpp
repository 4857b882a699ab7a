#include "tests/support/http_rules.h"

namespace fenrow::test {

bool proxied_request_omits_default_port() { return false; }

} // namespace fenrow::test
