// The lists the window click benchmarks put in the left and right boxes, the
// same for the Qt and the Windows window: mail-style and Chinese (GBK)
// accounts of about 26 bytes a line with its line break, 5 % repeats of a
// recent line, 2 % blank lines; LF line ends, the last line an account and
// closed.
#pragma once

#include "runtime/text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace fenrow {

namespace click_lists_detail {

struct Rng {
    std::uint64_t s;
    std::uint32_t next()
    {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<std::uint32_t>(s >> 11);
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }
};

inline void digits(std::string& s, Rng& r, int n)
{
    for (int i = 0; i < n; ++i)
        s += static_cast<char>('0' + r.below(10));
}

inline void letters(std::string& s, Rng& r, int n)
{
    for (int i = 0; i < n; ++i)
        s += static_cast<char>('a' + r.below(26));
}

} // namespace click_lists_detail

// lines accounts; a fixed seed gives the same bytes on every system.
inline std::string make_click_list(long lines, std::uint64_t seed = 0x9E3779B97F4A7C15ull)
{
    using namespace click_lists_detail;
    static constexpr std::string_view domains[] = {"@qq.com", "@163.com", "@126.com", "@sina.cn", "@gmail.com"};
    // Common family and given names, GBK.
    static constexpr std::string_view han[] = {"\xd5\xc5", "\xcd\xf5", "\xc0\xee", "\xd5\xd4", "\xc1\xf5", "\xb3\xc2",
                                               "\xd1\xee", "\xbb\xc6", "\xce\xb0", "\xc3\xf4", "\xbe\xb2", "\xc0\xf6"};
    Rng r{seed | 1};
    std::string s;
    s.reserve(static_cast<std::size_t>(lines) * 27 + 64);
    constexpr std::size_t recent = 4096; // where repeats come from
    std::size_t starts[recent] = {};
    for (long i = 0; i < lines; ++i) {
        const std::uint32_t kind = r.below(100);
        if (kind < 2 && i + 1 < lines) { // the last line is an account, as the command line reads a closed line
            s += '\n';
            continue;
        }
        const std::size_t start = s.size();
        if (kind < 7 && i >= static_cast<long>(recent)) {
            const std::size_t from = starts[r.below(recent)];
            const std::size_t end = s.find('\n', from);
            s.append(s, from, end - from);
        } else if (kind < 72) {
            letters(s, r, 3 + static_cast<int>(r.below(4)));
            digits(s, r, 2 + static_cast<int>(r.below(3)));
            s += domains[r.below(5)];
            s += "----";
            letters(s, r, 2);
            digits(s, r, 3 + static_cast<int>(r.below(3)));
        } else {
            for (int k = 2 + static_cast<int>(r.below(2)); k > 0; --k)
                s += han[r.below(12)];
            digits(s, r, 4 + static_cast<int>(r.below(4)));
            s += "----";
            letters(s, r, 2);
            digits(s, r, 4 + static_cast<int>(r.below(3)));
        }
        starts[static_cast<std::size_t>(i) % recent] = start;
        s += '\n';
    }
    return s;
}

// The second list of 挑不重复: every third account of the list and as many
// others, shuffled by the same generator.
inline std::string make_click_right_list(std::string_view list, std::uint64_t seed = 0xD1B54A32D192ED03ull)
{
    std::string s;
    s.reserve(list.size() / 3 * 2 + 64);
    std::size_t n = 0;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = list.find('\n', at);
        if (end > at && n++ % 3 == 0)
            s.append(list.substr(at, end - at + 1));
        at = end + 1;
    }
    s += make_click_list(static_cast<long>(n / 3), seed);
    return s;
}

// A file's lines as a box holds them: CR LF between lines, none after the last.
inline Text box_form(std::string_view lf)
{
    std::string s;
    s.reserve(lf.size() + lf.size() / 16);
    for (char c : lf) {
        if (c == '\n')
            s += '\r';
        s += c;
    }
    if (s.size() >= 2 && s.ends_with("\r\n"))
        s.resize(s.size() - 2);
    return Text(std::move(s));
}

} // namespace fenrow
