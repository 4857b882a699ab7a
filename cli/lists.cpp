#include "cli/lists.h"

#include "cli/console.h"
#include "runtime/codepage.h"
#include "runtime/file_system.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow {

namespace {

using std::string_view;

bool is_utf8(string_view s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned b = p[i];
        std::size_t len = 1;
        if (b >= 0xC2 && b <= 0xDF)
            len = 2;
        else if (b >= 0xE0 && b <= 0xEF)
            len = 3;
        else if (b >= 0xF0 && b <= 0xF4)
            len = 4;
        else if (b >= 0x80)
            return false;
        if (i + len > n)
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += len;
    }
    return true;
}

// Every lone LF becomes CR LF. Done backwards within the text's own room (a
// file is read with room for twice its size), so the list is never copied.
void to_crlf_in_place(std::string& bytes, std::size_t first_lf)
{
    const std::size_t n = bytes.size();
    std::size_t lone = 0;
    for (std::size_t lf = first_lf; lf != std::string::npos; lf = bytes.find('\n', lf + 1))
        lone += lf == 0 || bytes[lf - 1] != '\r' ? 1 : 0;
    if (lone == 0)
        return;
    bytes.resize(n + lone);
    char* p = bytes.data();
    // Blocks from the end, each one's lone LFs found forwards and moved backwards.
    std::vector<std::size_t> lfs;
    std::size_t from_end = n, to_end = n + lone;
    for (std::size_t block_end = n; lone > 0;) {
        const std::size_t block_start = block_end > 65536 ? block_end - 65536 : 0;
        lfs.clear();
        for (std::size_t at = block_start; at < block_end; ++at) {
            const void* lf = std::memchr(p + at, '\n', block_end - at);
            if (lf == nullptr)
                break;
            at = static_cast<std::size_t>(static_cast<const char*>(lf) - p);
            if (at == 0 || p[at - 1] != '\r')
                lfs.push_back(at);
        }
        for (auto at = lfs.rbegin(); at != lfs.rend(); ++at) {
            const std::size_t tail = from_end - *at - 1;
            std::memmove(p + to_end - tail, p + *at + 1, tail);
            to_end -= tail;
            p[--to_end] = '\n';
            p[--to_end] = '\r';
            from_end = *at;
            --lone;
        }
        block_end = block_start;
    }
}

std::string file_bytes(Text list, bool with_crlf, bool utf8)
{
    std::string s = utf8 ? text_to_utf8(list) : list.take();
    if (!s.empty() && !s.ends_with("\r\n"))
        s += "\r\n";
    if (with_crlf)
        return s;
    std::size_t to = 0;
    for (std::size_t from = 0; from < s.size();) {
        const std::size_t cr = std::min(s.find("\r\n", from), s.size());
        std::copy(s.begin() + static_cast<std::ptrdiff_t>(from), s.begin() + static_cast<std::ptrdiff_t>(cr),
                  s.begin() + static_cast<std::ptrdiff_t>(to)); // leftwards: safe in place
        to += cr - from;
        if (cr < s.size())
            s[to++] = '\n';
        from = cr + 2;
    }
    s.resize(to);
    return s;
}

} // namespace

std::optional<Text> read_list(const Text& name, const InputEncoding& encoding, CliStreams& io, ListInput& in)
{
    std::string bytes;
    const Text shown = name == Text("-") ? "standard input (标准输入)"_t : name;
    if (name == Text("-")) {
        if (!io.read_input(bytes))
            return "cannot read (无法读取) "_t + shown;
    } else if (const int err = file_system::read_file(name, bytes, 2); err != 0) {
        if (file_system::is_missing(err))
            return "no such file (文件不存在)："_t + shown;
        return "cannot read (无法读取) "_t + shown + "："_t + console::error_text(err);
    }
    const std::optional<FileEncoding> e = encoding.detect ? detect_encoding(bytes) : encoding.named;
    const bool utf16 = e == FileEncoding::utf16le || e == FileEncoding::utf16be;
    if (const std::size_t zero = bytes.find('\0'); zero != std::string::npos && !utf16)
        return "not a text file, a zero byte at offset (不是文本文件，含零字节，位置) "_t + txt_from_int(static_cast<int32_t>(zero)) + "："_t + shown;
    if (e && *e != FileEncoding::gbk) {
        std::string text;
        append_system_text(text, string_view(bytes).substr(bom_size(bytes, *e)), *e); // no zero byte outside UTF-16
        bytes = std::move(text);
    } else if (encoding.utf8 && !e) {
        if (!is_utf8(bytes))
            return "not UTF-8 text (不是 UTF-8 文本)："_t + shown;
        string_view s = bytes;
        if (s.starts_with("\xEF\xBB\xBF"))
            s.remove_prefix(3);
        bytes = text_from_utf8(s).take();
    }

    const std::size_t first_lf = bytes.find('\n');
    in.crlf = first_lf != std::string::npos && first_lf > 0 && bytes[first_lf - 1] == '\r';
    to_crlf_in_place(bytes, first_lf);
    if (string_view(bytes).ends_with("\r\n"))
        bytes.resize(bytes.size() - 2);
    // The operations count bytes and lines in 32 bits, line ends included.
    if (bytes.size() >= std::size_t{1} << 31)
        return "too large, 2 GB at most (文件太大，不能超过 2 GB)："_t + shown;
    in.text = Text(std::move(bytes));
    return std::nullopt;
}

int write_list(CliStreams& io, Text list, const std::optional<Text>& to, bool with_crlf, bool utf8)
{
    const std::string bytes = file_bytes(std::move(list), with_crlf, utf8);
    if (!to || *to == Text("-")) {
        if (io.write_output(bytes, utf8 ? console::Encoding::utf8 : console::Encoding::cp936))
            return cli_ok;
        io.write_error("fenrow-cli: cannot write standard output (无法写入标准输出)"_t);
        return cli_file;
    }
    const std::array<string_view, 1> parts{bytes};
    if (const int err = file_system::replace_file(*to, parts, file_system::Flush::before_rename); err != 0) {
        io.write_error("fenrow-cli: cannot write (无法写入) "_t + *to + "："_t + file_system::failure_reason(err));
        return cli_file;
    }
    return cli_ok;
}

namespace {

// The last line end with bytes behind it in s, searched from the end down to
// `from`: the place behind it, or 0.
std::size_t last_cut(std::string_view s, std::size_t from)
{
    if (s.size() < 3)
        return 0;
    for (std::size_t lf = s.size() - 1; lf > from && lf > 1;) {
        --lf;
        if (s[lf] == '\n' && s[lf - 1] == '\r' && starts_character(s, 0, lf - 1))
            return lf + 1;
    }
    return 0;
}

class FileList : public ListSource {
public:
    FileList(Text name, bool lf_only) : name_(std::move(name)), lf_only_(lf_only) {}
    bool lf_only() const override { return lf_only_; }
    void for_each_file_block(const std::function<bool(std::string_view)>& f) override
    {
        file_system::read_file_blocks(name_, stream_block(), f);
    }
    void for_each_chunk(const std::function<bool(std::string_view)>& f) override
    {
        pending_.clear();
        checked_ = 0;
        previous_ = 0;
        bool going = true;
        file_system::read_file_blocks(name_, stream_block(), [&](std::string_view raw) {
            add_raw(raw);
            // Cut behind the last line end that bytes follow: the list's end
            // is the file's without its last line end, known only at the end.
            if (const std::size_t cut = last_cut(pending_, checked_ > 0 ? checked_ - 1 : 0); cut > 0) {
                going = f(std::string_view(pending_).substr(0, cut));
                pending_.erase(0, cut);
            }
            checked_ = pending_.size();
            return going;
        });
        if (!going)
            return;
        if (std::string_view(pending_).ends_with("\r\n"))
            pending_.resize(pending_.size() - 2);
        f(pending_);
    }

private:
    // The raw bytes with every lone LF made CR LF, as to_crlf_in_place makes them.
    void add_raw(std::string_view raw)
    {
        std::size_t kept = 0;
        for (std::size_t at = 0;; ++at) {
            const void* hit = std::memchr(raw.data() + at, '\n', raw.size() - at);
            if (hit == nullptr)
                break;
            at = static_cast<std::size_t>(static_cast<const char*>(hit) - raw.data());
            if ((at == 0 ? previous_ : raw[at - 1]) != '\r') {
                pending_.append(raw.data() + kept, at - kept);
                pending_ += "\r\n";
                kept = at + 1;
            }
        }
        pending_.append(raw.substr(kept));
        previous_ = raw.back();
    }

    Text name_;
    bool lf_only_;
    std::string pending_; // converted bytes not yet given
    std::size_t checked_ = 0;
    char previous_ = 0;
};

} // namespace

void HeldList::for_each_chunk(const std::function<bool(std::string_view)>& f)
{
    std::string_view list = list_;
    const auto line_end = [&](std::size_t cr) { return list[cr + 1] == '\n' && starts_character(list, 0, cr); };
    for (const std::size_t block = stream_block(); list.size() > block;) {
        std::size_t cut = 0;
        for (std::size_t lf = block - 1; lf > 0 && cut == 0; --lf) // the last line end inside the block
            cut = list[lf - 1] == '\r' && line_end(lf - 1) ? lf + 1 : 0;
        for (std::size_t cr = block; cut == 0 && (cr = list.find('\r', cr)) < list.size() - 1; ++cr)
            cut = line_end(cr) ? cr + 2 : 0; // a line longer than the block
        if (cut == 0)
            break;
        if (!f(list.substr(0, cut)))
            return;
        list.remove_prefix(cut);
    }
    f(list);
}

std::unique_ptr<ListSource> stream_file(const Text& name, bool& first_line_crlf)
{
    // Checked first, as read_list checks it, so that nothing is written for
    // a list it would refuse; lists of 1 GB and more might come near its 2 GB.
    constexpr std::size_t limit = std::size_t{1} << 30;
    std::size_t size = 0;
    bool zero = false, first_crlf = false, seen_lf = false, cr = false;
    char last = 0;
    const int err = file_system::read_file_blocks(name, stream_block(), [&](std::string_view b) {
        if (std::memchr(b.data(), '\0', b.size()) != nullptr) {
            zero = true;
            return false;
        }
        cr = cr || std::memchr(b.data(), '\r', b.size()) != nullptr;
        if (const std::size_t lf = b.find('\n'); !seen_lf && lf != std::string_view::npos) {
            seen_lf = true;
            first_crlf = (lf > 0 ? b[lf - 1] : last) == '\r';
        }
        size += b.size();
        last = b.back();
        return size < limit;
    });
    if (err != 0 || zero || size >= limit)
        return nullptr;
    first_line_crlf = first_crlf;
    return std::make_unique<FileList>(name, !cr);
}

std::size_t& stream_block()
{
    // Large enough that a write or a chunk costs little per byte, small
    // enough that the blocks in flight stay in the processor's caches (a
    // third less time than with 1 MB blocks).
    static std::size_t bytes = std::size_t{1} << 16;
    return bytes;
}

void ListWriter::add(std::string_view part)
{
    for (const std::size_t block = stream_block(); !part.empty();) {
        const std::string_view now = part.substr(0, block);
        part.remove_prefix(now.size());
        if (!utf8_) {
            add_bytes(now);
            continue;
        }
        waiting_ += now;
        // A character starts behind any byte up to 0x80: up to the last one
        // the bytes convert as they would whole.
        std::size_t cut = waiting_.size();
        while (cut > 0 && static_cast<unsigned char>(waiting_[cut - 1]) > 0x80)
            --cut;
        if (cut > 0) {
            add_bytes(text_to_utf8(Text(waiting_.substr(0, cut))));
            waiting_.erase(0, cut);
        }
    }
}

void ListWriter::add_lf(std::string_view s)
{
    if (s.empty())
        return;
    any_ = true;
    // As add_bytes would have seen the bytes with CR LF line ends.
    last_[0] = s.back() == '\n' ? '\r' : s.size() >= 2 ? s[s.size() - 2] : last_[1];
    last_[1] = s.back();
    out_ += s;
    if (out_.size() >= stream_block())
        put();
}

void ListWriter::add_bytes(std::string_view s)
{
    if (s.empty())
        return;
    any_ = true;
    last_[0] = s.size() >= 2 ? s[s.size() - 2] : last_[1];
    last_[1] = s.back();
    if (with_crlf_) {
        out_ += s;
    } else {
        // Every CR LF an LF, one held back at the end of a block meeting its LF in the next.
        if (held_cr_ && s.front() != '\n')
            out_ += '\r';
        held_cr_ = false;
        if (!s.empty() && s.back() == '\r') {
            held_cr_ = true;
            s.remove_suffix(1);
        }
        for (std::size_t from = 0;;) {
            const std::size_t cr = s.find("\r\n", from);
            if (cr == std::string_view::npos) {
                out_ += s.substr(from);
                break;
            }
            out_ += s.substr(from, cr - from);
            from = cr + 1; // the LF stays
        }
    }
    if (out_.size() >= stream_block())
        put();
}

void ListWriter::put()
{
    if (!failed_)
        failed_ = !put_(out_);
    put_once_ = true;
    out_.clear();
}

bool ListWriter::finish()
{
    if (!waiting_.empty())
        add_bytes(text_to_utf8(Text(std::move(waiting_))));
    waiting_.clear();
    // A line end closes the last line.
    if (any_ && !(last_[0] == '\r' && last_[1] == '\n'))
        add_bytes("\r\n");
    if (held_cr_)
        out_ += '\r';
    held_cr_ = false;
    if (!out_.empty() || !put_once_)
        put();
    return !failed_;
}

int stream_list(CliStreams& io, const std::optional<Text>& to, bool with_crlf, bool utf8,
                const std::function<void(ListWriter&)>& make)
{
    if (!to || *to == Text("-")) {
        const console::Encoding e = utf8 ? console::Encoding::utf8 : console::Encoding::cp936;
        ListWriter out(with_crlf, utf8, [&](std::string_view bytes) { return io.write_output(bytes, e); });
        make(out);
        if (out.finish())
            return cli_ok;
        io.write_error("fenrow-cli: cannot write standard output (无法写入标准输出)"_t);
        return cli_file;
    }
    // An exception out of make abandons the file before it goes on.
    std::exception_ptr failure;
    const int err = file_system::replace_file(*to, [&](const file_system::WritePart& write) {
        int part_err = 0;
        ListWriter out(with_crlf, utf8, [&](std::string_view bytes) { return (part_err = write(bytes)) == 0; });
        try {
            make(out);
        } catch (...) {
            failure = std::current_exception();
            return -1;
        }
        return out.finish() ? 0 : part_err;
    }, file_system::Flush::before_rename);
    if (failure)
        std::rethrow_exception(failure);
    if (err != 0) {
        io.write_error("fenrow-cli: cannot write (无法写入) "_t + *to + "："_t + file_system::failure_reason(err));
        return cli_file;
    }
    return cli_ok;
}

} // namespace fenrow
