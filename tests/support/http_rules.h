// Where the system's HTTP client does a thing its own way; cases that need the
// other way skip where it does not hold.
#pragma once

namespace fenrow::test {

// A request through a proxy names its address without the scheme's port:
// "GET http://host/x HTTP/1.1". WinINet under Wine writes "http://host:80/x".
bool proxied_request_omits_default_port();

} // namespace fenrow::test
