#include "app/list_file.h"

#include "runtime/byte_scan.h"
#include "runtime/codepage.h"
#include "runtime/desktop.h"
#include "runtime/file_system.h"
#include "runtime/files.h"
#include "runtime/progress.h"

#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

namespace fenrow {

namespace {

// A checkpoint every block read, converted or written: a long open or save
// shows how far it got and stops within a few milliseconds.
constexpr std::size_t block_size = std::size_t{1} << 20;
// Room kept behind a list read from a file, for typing into it without moving it.
std::size_t typing_room(std::size_t n) { return n / 256 + 64 * 1024; }

// The line ends that are not CR LF: each CR no LF follows, each LF no CR precedes.
std::size_t lone_ends(std::string_view s)
{
    const std::size_t cr = count_byte(s, '\r'), lf = count_byte(s, '\n');
    if (cr == 0 || lf == 0)
        return cr + lf;
    std::size_t pairs = 0;
    for_each_byte(s, '\n', [&](std::size_t p) {
        pairs += p > 0 && s[p - 1] == '\r';
        return true;
    });
    return cr + lf - 2 * pairs;
}

// s at `to`, every lone CR and lone LF made CR LF: s.size() + lone_ends(s) bytes.
char* put_crlf(char* to, std::string_view s)
{
    const char* const p = s.data();
    const bool lone_cr = std::memchr(p, '\r', s.size()) != nullptr; // a CR LF list finds one at once
    std::size_t from = 0;
    // A stretch without LF: any CR in it is a lone one.
    const auto put = [&](std::size_t a, std::size_t b) {
        while (lone_cr) {
            const void* cr = std::memchr(p + a, '\r', b - a);
            if (cr == nullptr)
                break;
            const auto k = static_cast<std::size_t>(static_cast<const char*>(cr) - p);
            std::memcpy(to, p + a, k - a);
            to += k - a;
            *to++ = '\r';
            *to++ = '\n';
            a = k + 1;
        }
        std::memcpy(to, p + a, b - a);
        to += b - a;
    };
    for_each_byte(s, '\n', [&](std::size_t lf) {
        put(from, lf > from && p[lf - 1] == '\r' ? lf - 1 : lf);
        *to++ = '\r';
        *to++ = '\n';
        from = lf + 1;
        return true;
    });
    put(from, s.size());
    return to;
}

void append_crlf(std::string& out, std::string_view s)
{
    const std::size_t at = out.size();
    out.resize(at + s.size() + lone_ends(s));
    put_crlf(out.data() + at, s);
}

// Where the block from `at` ends: just behind the first line feed at least a
// block's size on, or at the end. Cut there, every block converts alone to
// what the whole converts to: no character and no CR LF spans two.
// UTF-16 cuts behind a whole LF unit (unit 2; the LF's low byte comes first
// when little-endian).
std::size_t block_end(std::string_view s, std::size_t at, std::size_t unit = 1, bool big_endian = false)
{
    for (std::size_t from = at + block_size; from < s.size();) {
        const void* hit = std::memchr(s.data() + from, '\n', s.size() - from);
        if (hit == nullptr)
            break;
        const auto lf = static_cast<std::size_t>(static_cast<const char*>(hit) - s.data());
        if (unit == 1)
            return lf + 1;
        const std::size_t start = big_endian ? lf - 1 : lf; // of the unit; `at` starts one
        const bool high_zero = big_endian ? s[lf - 1] == '\0' : lf + 1 < s.size() && s[lf + 1] == '\0';
        if ((start - at) % 2 == 0 && high_zero)
            return start + 2;
        from = lf + 1;
    }
    return s.size();
}

double part_of(std::size_t done, std::size_t whole) { return whole == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(whole); }

Text text_of(std::string&& bytes)
{
    Text t;
    t.edit([&bytes](std::string& b) { b = std::move(bytes); }); // no zero byte: none went in
    return t;
}

// The bytes of a byte encoding read as the system's text: kept as they stand
// when every line already ends in CR LF; else the lone line ends made CR LF,
// in place when the bytes have the room (a file read keeps it), the blocks
// moved from the last to the first.
Text crlf_text(std::string&& bytes)
{
    struct Block {
        std::size_t start, end, lone;
    };
    std::vector<Block> blocks;
    std::size_t lone = 0;
    {
        const ProgressPhase counting(0, 0.3);
        for (std::size_t at = 0; at < bytes.size();) {
            const std::size_t end = block_end(bytes, at);
            blocks.push_back({at, end, lone_ends(std::string_view(bytes).substr(at, end - at))});
            lone += blocks.back().lone;
            at = end;
            checkpoint(part_of(at, bytes.size()));
        }
    }
    if (lone == 0)
        return text_of(std::move(bytes));
    const ProgressPhase writing(0.3, 1);
    if (bytes.capacity() - bytes.size() >= lone) {
        bytes.resize(bytes.size() + lone);
        std::string block;
        std::size_t moved = lone; // how far the block's first byte moves
        for (std::size_t k = blocks.size(); k-- > 0;) {
            const Block& b = blocks[k];
            moved -= b.lone;
            block.assign(bytes, b.start, b.end - b.start);
            put_crlf(bytes.data() + b.start + moved, block);
            checkpoint(part_of(blocks.size() - k, blocks.size()));
        }
        return text_of(std::move(bytes));
    }
    std::string out;
    out.reserve(bytes.size() + lone + typing_room(bytes.size()));
    for (const Block& b : blocks) {
        append_crlf(out, std::string_view(bytes).substr(b.start, b.end - b.start));
        checkpoint(part_of(b.end, bytes.size()));
    }
    return text_of(std::move(out));
}

} // namespace

std::optional<Text> decode_list(std::string&& bytes, FileEncoding* found, std::optional<FileEncoding> as)
{
    const FileEncoding e = as ? *as : detect_encoding(bytes);
    if (found != nullptr)
        *found = e;
    std::string_view body(bytes);
    body.remove_prefix(bom_size(bytes, e));
    // Plain ASCII reads the same as UTF-8 and as the system's text.
    if (body.size() == bytes.size() && (e == FileEncoding::gbk || (e == FileEncoding::utf8 && all_ascii(body)))) {
        if (body.find('\0') != std::string_view::npos)
            return std::nullopt;
        return crlf_text(std::move(bytes));
    }
    std::string out, piece;
    out.reserve(body.size() + body.size() / 16 + typing_room(body.size()));
    const bool utf16 = e == FileEncoding::utf16le || e == FileEncoding::utf16be, big_endian = e == FileEncoding::utf16be;
    for (std::size_t at = 0; at < body.size();) {
        const std::size_t end = block_end(body, at, utf16 ? 2 : 1, big_endian);
        piece.clear();
        if (!append_system_text(piece, body.substr(at, end - at), e))
            return std::nullopt; // a zero byte outside UTF-16
        append_crlf(out, piece);
        at = end;
        checkpoint(part_of(at, body.size()));
    }
    return text_of(std::move(out));
}

std::optional<Text> decode_list(std::string_view bytes, FileEncoding* found, std::optional<FileEncoding> as)
{
    return decode_list(std::string(bytes), found, as);
}

std::optional<Text> read_list_file(const Text& path, Text* why, FileEncoding* found, std::optional<FileEncoding> as)
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
    std::uintmax_t size = std::filesystem::file_size(p, ec);
    if (ec)
        size = 0;
    if (size > list_file_limit)
        return fail("文件超过 1 GB，太大了"_t);
    // Room for typing, and for making LF line ends CR LF in place (lines of eight bytes or more).
    std::string bytes;
    const auto n = static_cast<std::size_t>(size);
    try {
        bytes.reserve(n + n / 8 + typing_room(n));
    } catch (const std::bad_alloc&) {
        bytes.reserve(n + typing_room(n)); // a 32-bit program's address space is short
    }
    bool too_large = false;
    {
        const ProgressPhase reading(0, 0.4);
        const int err = file_system::read_file_blocks(path, block_size, [&](std::string_view block) {
            too_large = bytes.size() + block.size() > list_file_limit;
            if (!too_large)
                bytes.append(block);
            report_progress(part_of(bytes.size(), static_cast<std::size_t>(size)));
            return !too_large && !stop_asked();
        });
        if (err != 0)
            return fail(file_system::is_missing(err) ? "文件不存在"_t : "无法读取文件"_t);
        stop_point();
    }
    if (too_large)
        return fail("文件超过 1 GB，太大了"_t);
    const ProgressPhase decoding(0.4, 1);
    std::optional<Text> t = decode_list(std::move(bytes), found, as);
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
    const std::string_view s = t.view();
    bool stopped = false;
    const int err = file_system::replace_file(path, [&](const file_system::WritePart& write) {
        for (std::size_t at = 0; at < s.size();) {
            const std::size_t end = block_end(s, at); // a line feed is never a character's second byte
            const std::string_view part = s.substr(at, end - at);
            if (const int failed = e == SaveEncoding::utf8 ? write(text_to_utf8(Text(part))) : write(part); failed != 0)
                return failed;
            at = end;
            report_progress(part_of(at, s.size()));
            if (stop_asked()) {
                stopped = true;
                return -1; // no error of the system's: the temporary file goes, the old file stays
            }
        }
        return 0;
    }, file_system::Flush::before_rename);
    if (stopped)
        throw OperationStopped{};
    if (err != 0 && why != nullptr)
        *why = file_system::failure_reason(err);
    return err == 0;
}

std::optional<Text> open_list_file(const Text& path, FileEncoding* found, std::optional<FileEncoding> as)
{
    Text why;
    std::optional<Text> t = read_list_file(path, &why, found, as);
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
