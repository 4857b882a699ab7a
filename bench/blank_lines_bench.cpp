// remove_blank_lines over a pasted list of a million accounts (about 20 MB),
// one line in six blank or of whitespace only. Target: well under a second.
#include "ops/blank_lines.h"

#include "runtime/codepage.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

using fenrow::operator""_t;

fenrow::Text account_list(int lines)
{
    const fenrow::Text chinese = "账号"_t;
    std::string s;
    s.reserve(static_cast<std::size_t>(lines) * 21);
    char buf[32];
    for (int i = 0; i < lines; ++i) {
        switch (i % 12) {
        case 3: break;                     // empty line
        case 9: s += "  \t "; break;       // whitespace only
        case 5: s += chinese.str(); [[fallthrough]];
        default:
            std::snprintf(buf, sizeof buf, "user%07d@mail.cn", i);
            s += buf;
        }
        s += "\r\n";
    }
    return fenrow::Text(std::move(s));
}

void BM_RemoveBlankLines(benchmark::State& state)
{
    const fenrow::Text text = account_list(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        fenrow::Text cleaned = fenrow::remove_blank_lines(text);
        benchmark::DoNotOptimize(cleaned);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_RemoveBlankLines)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

} // namespace
