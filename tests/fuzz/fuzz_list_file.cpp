// A list file's bytes, whatever they are: the decoded text ends every line in
// CR LF, and a file read as UTF-8 or GBK saves back to the same characters.
#include "app/list_file.h"
#include "tests/fuzz/check.h"
#include "tests/support/text.h"

#include <string>
#include <string_view>

using namespace fenrow;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FileEncoding e{};
    const std::optional<Text> t = decode_list(bytes, &e);
    if (!t) {
        CHECK(bytes.find('\0') != std::string_view::npos);
        return 0;
    }
    const std::string_view v = t->view();
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\r')
            CHECK(i + 1 < v.size() && v[i + 1] == '\n');
        if (v[i] == '\n')
            CHECK(i > 0 && v[i - 1] == '\r');
    }
    if (e == FileEncoding::gbk)
        CHECK(encode_list(*t, SaveEncoding::gbk) == crlf_lines(bytes));
    if (e == FileEncoding::utf8)
        CHECK(encode_list(*t, SaveEncoding::utf8) == crlf_lines(bytes));
    // After a BOM, bytes that form no UTF-8 character become U+FFFD.
    FileEncoding without_bom{};
    if (e == FileEncoding::utf8_bom && decode_list(bytes.substr(3), &without_bom) && without_bom == FileEncoding::utf8)
        CHECK(encode_list(*t, SaveEncoding::utf8) == crlf_lines(bytes.substr(3)));
    return 0;
}
