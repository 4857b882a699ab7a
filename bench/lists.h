// Account lists for benchmarks: realistic lines of about 20 bytes, some of
// them Chinese, joined by CR LF.
#pragma once

#include "runtime/text.h"

#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

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

// The list the window benchmarks click through, the same for both windows:
// mail-style accounts and, one in four, Chinese ones (GBK), about 26 bytes a
// line with CR LF; 5 % of the lines repeat an earlier one, 2 % are empty.
inline Text make_click_list(int lines, unsigned seed = 1)
{
    static constexpr std::array<std::string_view, 5> surnames = {"\xd5\xc5", "\xcd\xf5", "\xc0\xee", "\xc1\xf5", "\xb3\xc2"};
    static constexpr std::array<std::string_view, 5> given = {"\xce\xb0", "\xb7\xbc", "\xc4\xc8", "\xc3\xf4", "\xbe\xb2"};
    static constexpr std::array<std::string_view, 4> domains = {"@qq.com", "@163.com", "@126.com", "@sina.cn"};
    std::mt19937 rng(seed);
    std::string s;
    s.reserve(static_cast<std::size_t>(lines) * 27);
    std::vector<std::size_t> starts; // of recent lines, for the repeats
    starts.reserve(4096);
    char digits[16];
    const auto number = [&](unsigned n, int width) {
        for (int i = width - 1; i >= 0; --i, n /= 10)
            digits[i] = static_cast<char>('0' + n % 10);
        return std::string_view(digits, static_cast<std::size_t>(width));
    };
    for (int i = 0; i < lines; ++i) {
        const unsigned r = rng();
        if (i % 50 == 17) {
            // an empty line
        } else if (i % 20 == 3 && !starts.empty()) {
            const std::size_t from = starts[r % starts.size()];
            s.append(std::string_view(s).substr(from, s.find('\r', from) - from));
        } else {
            const std::size_t start = s.size();
            if (r % 4 == 0) {
                s += surnames[r / 4 % 5];
                s += given[r / 20 % 5];
                s += number(rng() % 1000000, 6);
            } else {
                s.push_back(static_cast<char>('a' + r / 4 % 26));
                s.push_back(static_cast<char>('a' + r / 104 % 26));
                s += number(rng() % 10000000, 7);
                s += domains[r / 2704 % 4];
            }
            s += "----";
            s += number(rng() % 1000000, 6);
            if (starts.size() < 4096)
                starts.push_back(start);
            else
                starts[r % 4096] = start;
        }
        s += "\r\n";
    }
    return Text(std::move(s));
}

} // namespace fenrow
