// Account lists as users keep them, in the encodings a list file comes in:
// for the encoding detector's tests and its comparison with another detector
// (bench/encoding_vs_uchardet.sh). Made with the program's own tables, so
// that both systems see the same bytes.
#pragma once

#include "runtime/codepage.h"
#include "runtime/codepage_tables.h"

#include <map>
#include <random>
#include <string>
#include <string_view>

namespace fenrow::test {

inline std::string big5_of(std::string_view utf8)
{
    static const std::map<char16_t, std::string> codes = [] {
        std::map<char16_t, std::string> m;
        for (unsigned lead = 0xF9; lead >= 0xA1; --lead) // the standard codes win over duplicates
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
                if (const char16_t c = big5::two_byte[cp936::two_byte_slot(lead, trail)])
                    m[c] = {static_cast<char>(lead), static_cast<char>(trail)};
        return m;
    }();
    std::string out;
    for (char16_t c : text_to_utf16(text_from_utf8(utf8)))
        out += c < 0x80 ? std::string(1, static_cast<char>(c)) : codes.at(c);
    return out;
}

inline std::string gbk_of(std::string_view utf8) { return std::string(text_from_utf8(utf8).view()); }

inline std::string utf16_of(std::string_view utf8, bool big_endian)
{
    std::string out;
    for (char16_t c : text_to_utf16(text_from_utf8(utf8))) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += big_endian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

// A list in UTF-8 of that many lines: mostly mail-style accounts with
// passwords full of symbols, some Chinese names (simplified, with characters
// beyond GB2312 and a few traditional ones; or traditional only, as Big5 holds
// them), some full-width punctuation and letters of other alphabets.
inline std::string account_list(std::mt19937& rng, int lines, bool traditional = false)
{
    const std::u16string simplified = u"张伟王芳李娜刘洋陈静杨磊赵敏黄勇周杰吴霞徐涛孙丽马超朱琳胡军郭鹏何燕高亮林峰"
                                      u"罗欣郑华梁宇谢婷宋佳唐辉许倩韩冰冯雪邓琪曹阳彭博曾敏肖丹田甜董浩袁媛潘越于洋"
                                      u"蒋凡蔡琴余杭杜鹃喆堃昇犇淼鑫垚張陳黃劉體語";
    const std::u16string traditional_names = u"張偉王芳李娜劉洋陳靜楊磊趙敏黃勇周傑吳霞徐濤孫麗馬超朱琳胡軍郭鵬何燕"
                                             u"高亮林峰羅欣鄭華梁宇謝婷宋佳唐輝許倩韓冰馮雪鄧琪曹陽彭博曾敏的一是";
    const std::u16string& names = traditional ? traditional_names : simplified;
    const std::u16string marks = traditional ? u"，：（）！" : u"，·：（）！—…αβ①";
    const auto number = [&rng](unsigned below) { return text_to_utf16(Text(std::to_string(rng() % below))); };
    std::u16string u;
    for (int i = 0; i < lines; ++i) {
        const unsigned kind = rng() % 10;
        if (kind < 6) {
            u += u"user" + number(100000) + u"@mail.com----P@ss!#" + number(1000);
        } else if (kind < 9) {
            for (unsigned k = 0; k < 2 + rng() % 2; ++k)
                u += names[rng() % names.size()];
            u += u"," + number(1000000) + u"$%^&*";
        } else {
            u += marks[rng() % marks.size()];
            u += u"qq" + number(10000);
        }
        u += rng() % 2 ? u"\r\n" : u"\n";
    }
    return text_to_utf8(text_from_utf16(u));
}

} // namespace fenrow::test
