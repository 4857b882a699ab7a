#include "runtime/fatal.h"

#include "runtime/codepage.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fenrow {

namespace {

std::atomic<FatalHandler> g_handler{nullptr};
std::atomic<bool> g_reporting{false};
// Constant-initialised: the allocation functions read it before any other code runs.
thread_local int t_recoverable_steps = 0;

void write_to_stderr(const Text& report)
{
    std::string utf8 = text_to_utf8(report);
    std::string out;
    for (char c : utf8) {
        if (c != '\r')
            out.push_back(c);
    }
    std::size_t done = 0;
    while (done < out.size()) {
        const std::size_t n = std::fwrite(out.data() + done, 1, out.size() - done, stderr);
        if (n == 0)
            break;
        done += n;
    }
    std::fflush(stderr);
}

} // namespace

RecoverableAllocations::RecoverableAllocations() { ++t_recoverable_steps; }
RecoverableAllocations::~RecoverableAllocations() { --t_recoverable_steps; }
bool allocations_recoverable() { return t_recoverable_steps > 0; }

void set_fatal_handler(FatalHandler handler) { g_handler.store(handler); }

Text fatal_report(int code, const Text& message)
{
    const Text crlf2 = "\r\n\r\n";
    Text r = "运行时出错!"_t + crlf2;
    if (code != 0)
        r += "错误代码："_t + txt_from_int(code) + crlf2;
    r += "错误信息："_t + message + "\r\n";
    return r;
}

void fatal_error(int code, const Text& message)
{
    // A second fatal error while the first is being reported (say, memory
    // running out inside the handler) goes straight to standard error.
    const bool first = !g_reporting.exchange(true);
    const Text report = fatal_report(code, message);
    FatalHandler handler = g_handler.load();
    if (first && handler != nullptr)
        handler(report);
    else
        write_to_stderr(report);
    std::_Exit(-1);
}

void fatal_out_of_memory(std::size_t bytes)
{
    // Built by hand: the usual text routines would need the memory that is missing.
    // 分配 (count) 字节内存失败!
    static const char head[] = "\xb7\xd6\xc5\xe4 ";
    static const char tail[] = " \xd7\xd6\xbd\xda\xc4\xda\xb4\xe6\xca\xa7\xb0\xdc!";
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s%zu%s", head, bytes, tail);
    fatal_error(0, Text(buf));
}

} // namespace fenrow
