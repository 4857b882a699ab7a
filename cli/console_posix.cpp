#include "cli/console.h"

#include "runtime/codepage.h"

#include <cstdio>
#include <cstring>
#include <langinfo.h>
#include <locale.h>

namespace fenrow::console {

namespace {

// The user's locale, read without making it the program's: the operations'
// bytes must not depend on it.
locale_t user_locale()
{
    static const locale_t loc = [] {
        locale_t l = newlocale(LC_ALL_MASK, "", locale_t{});
        return l != locale_t{} ? l : newlocale(LC_ALL_MASK, "C", locale_t{});
    }();
    return loc;
}

// Our text is GB18030's form of every character, which GBK and GB 2312 share
// wherever they have the character. Anything else (the C locale too: a
// terminal without a locale is most often UTF-8) gets UTF-8.
Encoding encoding_of(std::string_view charset)
{
    for (std::string_view gb : {"GBK", "GB18030", "GB2312", "EUC-CN", "CP936"}) {
        if (charset == gb)
            return Encoding::cp936;
    }
    return Encoding::utf8;
}

bool write_to(std::FILE* f, std::string_view bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0;
}

} // namespace

std::vector<Text> arguments(int argc, char** argv)
{
    std::vector<Text> out;
    for (int i = 1; i < argc; ++i)
        out.push_back(text_from_utf8(argv[i]));
    return out;
}

void use_binary_streams() {}

Encoding terminal_encoding()
{
    static const Encoding e = encoding_of(nl_langinfo_l(CODESET, user_locale()));
    return e;
}

std::string for_terminal(const Text& t) { return terminal_encoding() == Encoding::cp936 ? t.str() : text_to_utf8(t); }

bool write_output(std::string_view bytes, Encoding) { return write_to(stdout, bytes); }

bool write_error(std::string_view bytes, Encoding) { return write_to(stderr, bytes); }

// In the locale's language and charset, as the terminal shows it.
Text error_text(int err)
{
    const char* words = strerror_l(err, user_locale());
    return terminal_encoding() == Encoding::cp936 ? Text(words) : text_from_utf8(words);
}

} // namespace fenrow::console
