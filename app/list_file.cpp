#include "app/list_file.h"

#include "runtime/codepage.h"
#include "runtime/desktop.h"
#include "runtime/file_system.h"
#include "runtime/files.h"

#include <filesystem>
#include <system_error>

namespace fenrow {

namespace {

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::u16string utf16_units(std::string_view bytes, bool big_endian)
{
    std::u16string out;
    out.reserve(bytes.size() / 2 + 1);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        const auto u = static_cast<char16_t>(big_endian ? (a << 8 | b) : (b << 8 | a));
        if (u != 0) // the system's text holds no zero; pastes leave it out too
            out.push_back(u);
    }
    if (bytes.size() % 2 != 0)
        out.push_back(u'\xFFFD');
    return out;
}

// Every lone CR and lone LF becomes CR LF.
std::string crlf_lines(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + s.size() / 16);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

std::optional<Text> decode_list(std::string_view bytes, FileEncoding* found)
{
    FileEncoding e = FileEncoding::gbk;
    Text t;
    if (starts_with(bytes, "\xEF\xBB\xBF")) {
        e = FileEncoding::utf8_bom;
        bytes.remove_prefix(3);
    } else if (starts_with(bytes, "\xFF\xFE")) {
        e = FileEncoding::utf16le;
    } else if (starts_with(bytes, "\xFE\xFF")) {
        e = FileEncoding::utf16be;
    } else if (valid_utf8(bytes)) {
        e = FileEncoding::utf8;
    }
    if (found != nullptr)
        *found = e;
    switch (e) {
    case FileEncoding::utf16le:
    case FileEncoding::utf16be:
        t = text_from_utf16(utf16_units(bytes.substr(2), e == FileEncoding::utf16be));
        break;
    default:
        if (bytes.find('\0') != std::string_view::npos)
            return std::nullopt;
        if (e == FileEncoding::gbk)
            return Text(crlf_lines(bytes));
        t = text_from_utf8(bytes);
        break;
    }
    return Text(crlf_lines(t.view()));
}

std::optional<Text> read_list_file(const Text& path, Text* why)
{
    const auto fail = [why](const Text& reason) -> std::optional<Text> {
        if (why != nullptr)
            *why = reason;
        return std::nullopt;
    };
    std::error_code ec;
    const std::filesystem::path p = to_fs_path(path);
    if (std::filesystem::is_directory(p, ec))
        return fail("这是一个文件夹，不是文本文件"_t);
    const std::uintmax_t size = std::filesystem::file_size(p, ec);
    if (!ec && size > list_file_limit)
        return fail("文件超过 1 GB，太大了"_t);
    std::string bytes;
    if (const int err = file_system::read_file(path, bytes); err != 0)
        return fail(file_system::is_missing(err) ? "文件不存在"_t : "无法读取文件"_t);
    if (bytes.size() > list_file_limit)
        return fail("文件超过 1 GB，太大了"_t);
    std::optional<Text> t = decode_list(bytes);
    if (!t)
        return fail("不是文本文件（含有零字节）"_t);
    return t;
}

std::string encode_list(const Text& t, SaveEncoding e)
{
    return e == SaveEncoding::utf8 ? text_to_utf8(t) : std::string(t.view());
}

bool write_list_file(const Text& path, const Text& t, SaveEncoding e, Text* why)
{
    return file_write(path, {ByteArray(encode_list(t, e))}, why);
}

std::optional<Text> open_list_file(const Text& path)
{
    Text why;
    std::optional<Text> t = read_list_file(path, &why);
    if (!t)
        message_box("无法打开文本："_t + path + "\r\n"_t + why, 0, "提示！"_t);
    return t;
}

bool save_list_file(const Text& path, const Text& t, SaveEncoding e)
{
    Text why;
    if (write_list_file(path, t, e, &why))
        return true;
    message_box("无法保存文本："_t + path + "\r\n"_t + why, 0, "提示！"_t);
    return false;
}

} // namespace fenrow
