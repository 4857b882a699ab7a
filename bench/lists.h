// Account lists for benchmarks: realistic lines of about 20 bytes, some of
// them Chinese, joined by CR LF.
#pragma once

#include "runtime/text.h"

#include <random>
#include <string>

namespace fenrow {

inline Text make_account_list(int lines, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    std::string s;
    s.reserve(static_cast<std::size_t>(lines) * 22);
    for (int i = 0; i < lines; ++i) {
        s += "user";
        s += std::to_string(rng() % 10000000);
        s += "----";
        if (i % 7 == 0)
            s += "\xd5\xcb\xba\xc5"; // 账号
        s += "pw" + std::to_string(rng() % 100000);
        s += "\r\n";
    }
    return Text(std::move(s));
}

} // namespace fenrow
