// Builds the code-page-936 tables from the build machine's iconv (GBK, with
// GB18030 for what GBK lacks), Big5's (code page 950) and the case folding from its Unicode C locale,
// and prints them as C++ data, so that every platform compiles in the same
// tables and start-up builds nothing: codepage_tables_gen > codepage_tables.cpp
#include "runtime/codepage_tables.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace {

using namespace fenrow::cp936;

constexpr bool is_scalar(char32_t c)
{
    return c != 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Private-use characters whose two-byte codes the converter gives to the
// standard characters that took them over; they keep the four-byte codes
// those characters had before.
struct MovedPrivateUse {
    char32_t c;
    std::uint32_t index;
};
constexpr MovedPrivateUse moved_private_use[] = {
    {0xE81E, four_byte_index(0x82, 0x35, 0x90, 0x37)}, {0xE826, four_byte_index(0x82, 0x35, 0x90, 0x38)},
    {0xE82B, four_byte_index(0x82, 0x35, 0x90, 0x39)}, {0xE82C, four_byte_index(0x82, 0x35, 0x91, 0x30)},
    {0xE832, four_byte_index(0x82, 0x35, 0x91, 0x31)}, {0xE843, four_byte_index(0x82, 0x35, 0x91, 0x32)},
    {0xE854, four_byte_index(0x82, 0x35, 0x91, 0x33)}, {0xE864, four_byte_index(0x82, 0x35, 0x91, 0x34)},
    {0xE78D, four_byte_index(0x84, 0x31, 0x82, 0x36)}, {0xE78E, four_byte_index(0x84, 0x31, 0x82, 0x37)},
    {0xE78F, four_byte_index(0x84, 0x31, 0x82, 0x38)}, {0xE790, four_byte_index(0x84, 0x31, 0x82, 0x39)},
    {0xE791, four_byte_index(0x84, 0x31, 0x83, 0x30)}, {0xE792, four_byte_index(0x84, 0x31, 0x83, 0x31)},
    {0xE793, four_byte_index(0x84, 0x31, 0x83, 0x32)}, {0xE794, four_byte_index(0x84, 0x31, 0x83, 0x33)},
    {0xE795, four_byte_index(0x84, 0x31, 0x83, 0x34)}, {0xE796, four_byte_index(0x84, 0x31, 0x83, 0x35)},
};

const char* const utf32_name = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";

// One iconv conversion, used only while the tables are built.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from))
    {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            // No fatal_error here: its report would need these very tables.
            std::fprintf(stderr, "Fenrow: no %s to %s converter\n", from, to);
            std::abort();
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // The single character the bytes decode to, or 0.
    char32_t decode(const unsigned char* bytes, std::size_t n)
    {
        char32_t out[2] = {};
        const std::size_t got = run(bytes, n, out, sizeof out);
        return got == sizeof(char32_t) && is_scalar(out[0]) ? out[0] : 0;
    }

    // The bytes of c packed as pack_four_byte does, or 0.
    std::uint32_t encode(char32_t c)
    {
        unsigned char out[8] = {};
        const std::size_t got = run(&c, sizeof c, out, sizeof out);
        if (got == 1 || got == 2 || got == 4) {
            std::uint32_t packed = 0;
            for (std::size_t i = 0; i < got; ++i)
                packed = packed << 8 | out[i];
            return packed;
        }
        return 0;
    }

private:
    // Bytes written, or 0 when the input did not convert whole.
    std::size_t run(const void* in, std::size_t n, void* out, std::size_t cap)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(static_cast<const char*>(in));
        char* dst = static_cast<char*>(out);
        std::size_t src_left = n;
        std::size_t dst_left = cap;
        if (iconv(cd_, &src, &src_left, &dst, &dst_left) == static_cast<std::size_t>(-1) || src_left != 0)
            return 0;
        if (iconv(cd_, nullptr, nullptr, &dst, &dst_left) == static_cast<std::size_t>(-1))
            return 0;
        return cap - dst_left;
    }

    iconv_t cd_;
};

class Tables {
public:
    Tables() : two_byte_(126 * 192), four_byte_(bmp_four_byte_count), encode_(0x10000)
    {
        Converter gbk_in(utf32_name, "GBK"), gb18030_in(utf32_name, "GB18030");
        Converter gbk_out("GBK", utf32_name), gb18030_out("GB18030", utf32_name);

        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F)
                    continue;
                const unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
                char32_t c = gbk_in.decode(bytes, 2);
                if (c == 0)
                    c = gb18030_in.decode(bytes, 2);
                two_byte_[two_byte_slot(lead, trail)] = c;
            }
        }
        for (std::uint32_t index = 0; index < bmp_four_byte_count; ++index) {
            const std::uint32_t packed = pack_four_byte(index);
            const unsigned char bytes[4] = {static_cast<unsigned char>(packed >> 24),
                                            static_cast<unsigned char>(packed >> 16),
                                            static_cast<unsigned char>(packed >> 8), static_cast<unsigned char>(packed)};
            const char32_t c = gb18030_in.decode(bytes, 4);
            if (c < 0x10000)
                four_byte_[index] = static_cast<char16_t>(c);
        }

        for (char32_t c = 1; c < 0x80; ++c)
            encode_[c] = c;
        for (char32_t c = 0x80; c < 0x10000; ++c) {
            if (!is_scalar(c))
                continue;
            // A form counts only if it decodes back to c, so the code page's
            // one-way mappings never take part.
            for (Converter* out : {&gbk_out, &gb18030_out}) {
                const std::uint32_t packed = out->encode(c);
                if (packed != 0 && decode_packed(packed) == c) {
                    encode_[c] = packed;
                    break;
                }
            }
        }

        for (const MovedPrivateUse& m : moved_private_use) {
            if (encode_[m.c] == 0 && four_byte_[m.index] == 0) {
                four_byte_[m.index] = static_cast<char16_t>(m.c);
                encode_[m.c] = pack_four_byte(m.index);
            }
        }
        // Whatever is still without a code gets an unassigned four-byte code
        // past the BMP range, so that no character is ever lost.
        for (char32_t c = 0x80; c < 0x10000; ++c) {
            if (is_scalar(c) && encode_[c] == 0) {
                encode_[c] = pack_four_byte(static_cast<std::uint32_t>(four_byte_.size()));
                four_byte_.push_back(static_cast<char16_t>(c));
            }
        }
    }

    char32_t two_byte(unsigned lead, unsigned trail) const { return two_byte_[two_byte_slot(lead, trail)]; }

    char32_t four_byte(std::uint32_t index) const
    {
        if (index < four_byte_.size())
            return four_byte_[index];
        if (index >= supplementary_first_index && index - supplementary_first_index < 0x100000)
            return 0x10000 + (index - supplementary_first_index);
        return 0;
    }

    // The packed form of a character other than U+0000.
    std::uint32_t encode(char32_t c) const
    {
        if (c < 0x10000)
            return encode_[c] != 0 ? encode_[c] : encode_[replacement_char];
        if (c <= 0x10FFFF)
            return pack_four_byte(supplementary_first_index + (c - 0x10000));
        return encode_[replacement_char];
    }

    char32_t decode_packed(std::uint32_t packed) const
    {
        if (packed < 0x80)
            return packed;
        if (packed == 0x80)
            return euro_sign;
        if (packed < 0x100)
            return 0;
        if (packed < 0x10000) {
            const unsigned lead = packed >> 8, trail = packed & 0xFF;
            return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 ? two_byte(lead, trail) : 0;
        }
        const unsigned b1 = packed >> 24, b2 = (packed >> 16) & 0xFF, b3 = (packed >> 8) & 0xFF, b4 = packed & 0xFF;
        if (b1 < 0x81 || b1 > 0xFE || b2 < 0x30 || b2 > 0x39 || b3 < 0x81 || b3 > 0xFE || b4 < 0x30 || b4 > 0x39)
            return 0;
        return four_byte(four_byte_index(b1, b2, b3, b4));
    }

    std::vector<char32_t> two_byte_;    // lead 0x81-0xFE × trail 0x40-0xFF; 0 = no character
    std::vector<char16_t> four_byte_;   // BMP four-byte code index → character; 0 = none
    std::vector<std::uint32_t> encode_; // BMP character → packed form; 0 = none
};


// Letters of every alphabet folded to one case: upper first, so that forms
// like the final sigma meet their letter.
char32_t locale_fold(locale_t loc, char32_t c)
{
    const wint_t upper = towupper_l(static_cast<wint_t>(c), loc);
    return static_cast<char32_t>(towlower_l(upper, loc));
}

template <typename T>
void print_array(const char* type, const char* name, const std::vector<T>& values)
{
    std::printf("extern const %s %s[%zu];\nconst %s %s[%zu] = {", type, name, values.size(), type, name, values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        std::printf("%s0x%lx,", i % 12 == 0 ? "\n" : "", static_cast<unsigned long>(values[i]));
    std::printf("\n};\n");
}

} // namespace

int main()
{
    locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    if (!loc)
        loc = newlocale(LC_CTYPE_MASK, "C.utf8", locale_t{});
    if (!loc) {
        std::fprintf(stderr, "codepage_tables_gen: no Unicode C locale\n");
        return 1;
    }
    const Tables t;
    std::vector<std::uint32_t> folded_from, folded_to;
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (const char32_t f = locale_fold(loc, c); f != c) {
            folded_from.push_back(c);
            folded_to.push_back(f);
        }
    }
    std::printf("// Generated by runtime/tools/codepage_tables_gen.cpp; do not edit.\n"
                "#include \"runtime/codepage_tables.h\"\n\nnamespace fenrow::cp936 {\n");
    print_array("char32_t", "two_byte", t.two_byte_);
    print_array("char16_t", "four_byte", t.four_byte_);
    std::printf("extern const std::size_t four_byte_count;\nconst std::size_t four_byte_count = %zu;\n",
                t.four_byte_.size());
    print_array("std::uint32_t", "encode", t.encode_);
    print_array("char32_t", "fold_from", folded_from);
    print_array("char32_t", "fold_to", folded_to);
    std::printf("extern const std::size_t fold_count;\nconst std::size_t fold_count = %zu;\n", folded_from.size());
    std::printf("} // namespace fenrow::cp936\n\nnamespace fenrow::big5 {\n");
    std::vector<char16_t> big5(126 * 192);
    Converter big5_in(utf32_name, "CP950");
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            const unsigned char bytes[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            if (const char32_t c = big5_in.decode(bytes, 2); c < 0x10000)
                big5[two_byte_slot(lead, trail)] = static_cast<char16_t>(c);
        }
    }
    print_array("char16_t", "two_byte", big5);
    std::printf("} // namespace fenrow::big5\n");
    freelocale(loc);
    return std::ferror(stdout) ? 1 : 0;
}
