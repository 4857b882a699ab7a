#include "runtime/files.h"

#include "runtime/codepage.h"
#include "runtime/file_system.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace fenrow {

namespace {

using std::size_t;
using std::string_view;

constexpr size_t npos = string_view::npos;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool is_ascii(string_view s)
{
    unsigned char any = 0; // no early exit: the loop runs on whole words
    for (char c : s)
        any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

// Blanks are single bytes, but a lead byte swallows the byte after it, blank
// or not. The last byte that is no blank ends the name, unless it leads a
// character.
string_view trim_blanks(string_view s)
{
    size_t begin = 0;
    while (begin < s.size() && is_blank(s[begin]))
        ++begin;
    size_t end = s.size();
    while (end > begin && is_blank(s[end - 1]))
        --end;
    if (end == begin)
        return s.substr(begin, 0);
    const size_t last = end - 1;
    if (static_cast<unsigned char>(s[last]) > 0x80 && starts_character(s, begin, last))
        end = last + char_len(s, last);
    return s.substr(begin, end - begin);
}

// Position of the first (or last) character c of s, two-byte characters
// stepped over whole, or npos.
size_t find_char(string_view s, char c, bool last = false)
{
    size_t found = npos;
    for (size_t i = 0; i < s.size(); i += char_len(s, i)) {
        if (s[i] == c) {
            found = i;
            if (!last)
                break;
        }
    }
    return found;
}

// ---- Name keys --------------------------------------------------------------

char32_t fold(char32_t c)
{
    if ((c >= 0x3400 && c < 0xA000) || (c >= 0xAC00 && c < 0xD7A4)) // Han and Hangul have no case
        return c;
    return fold_case(c);
}

size_t piece_len(string_view s, size_t i)
{
    auto in = [&](size_t k, unsigned lo, unsigned hi) {
        const auto b = static_cast<unsigned char>(s[k]);
        return b >= lo && b <= hi;
    };
    if (i + 3 < s.size() && in(i, 0x81, 0xFE) && in(i + 1, 0x30, 0x39) && in(i + 2, 0x81, 0xFE) && in(i + 3, 0x30, 0x39))
        return 4;
    return char_len(s, i);
}

// Decodes s character by character, giving every byte of a malformed
// character a lone-surrogate code of its own, so that distinct malformed names
// never share U+FFFD as their key.
std::u32string decode_keeping_malformed(string_view s)
{
    static const std::string replacement = unicode_to_cp936(U"\uFFFD").str();
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const string_view piece = s.substr(i, piece_len(s, i));
        const std::u32string cps = cp936_to_unicode(piece);
        if (cps.size() == 1 && (cps[0] != U'\uFFFD' || piece == replacement)) {
            out += cps[0];
        } else {
            for (char b : piece)
                out += static_cast<char32_t>(0xDC00 + static_cast<unsigned char>(b));
        }
        i += piece.size();
    }
    return out;
}

std::u32string name_key(string_view name)
{
    const string_view s = trim_blanks(name);
    if (is_ascii(s)) {
        std::u32string key(s.size(), U'\0');
        for (size_t i = 0; i < s.size(); ++i)
            key[i] = ascii_lower(static_cast<unsigned char>(s[i]));
        return key;
    }
    std::u32string key = cp936_to_unicode(s);
    if (key.find(U'\uFFFD') != std::u32string::npos)
        key = decode_keeping_malformed(s);
    for (char32_t& c : key)
        c = fold(c);
    return key;
}

// Same as name_key(name) == key, without building a key for ASCII names.
bool name_matches(string_view name, const std::u32string& key)
{
    const string_view s = trim_blanks(name);
    if (!is_ascii(s))
        return name_key(s) == key;
    if (s.size() != key.size())
        return false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (ascii_lower(static_cast<unsigned char>(s[i])) != key[i])
            return false;
    }
    return true;
}

// ---- Settings-file lines ----------------------------------------------------

// One line of a settings file: [begin, text_end) is its text without CR LF or
// LF, [begin, end) includes the line end.
struct Line {
    size_t begin = 0;
    size_t text_end = 0;
    size_t end = 0;
};

class LineReader {
public:
    explicit LineReader(string_view content, size_t from = 0) : s_(content), pos_(from) {}

    bool next(Line& line)
    {
        if (pos_ >= s_.size())
            return false;
        line.begin = pos_;
        const size_t lf = s_.find('\n', pos_);
        if (lf == npos) {
            line.text_end = line.end = s_.size();
        } else {
            line.end = lf + 1;
            line.text_end = (lf > pos_ && s_[lf - 1] == '\r') ? lf - 1 : lf;
        }
        pos_ = line.end;
        return true;
    }

    string_view text(const Line& line) const { return s_.substr(line.begin, line.text_end - line.begin); }

private:
    string_view s_;
    size_t pos_ = 0;
};

// The name of a section line, between its first '[' (after leading blanks)
// and its last ']'.
std::optional<string_view> section_name(string_view line)
{
    size_t i = 0;
    while (i < line.size() && is_blank(line[i]))
        ++i;
    if (i == line.size() || line[i] != '[')
        return std::nullopt;
    const string_view rest = line.substr(i + 1);
    const size_t close = find_char(rest, ']', true);
    if (close == npos)
        return std::nullopt;
    return rest.substr(0, close);
}

struct Entry {
    string_view key;   // untrimmed
    string_view value; // trimmed and unquoted
};

// A key=value line; comments, section lines and lines without '=' are none.
std::optional<Entry> entry_of(string_view line)
{
    const string_view s = trim_blanks(line);
    if (s.empty() || s[0] == ';' || section_name(s))
        return std::nullopt;
    const size_t eq = find_char(s, '=');
    if (eq == npos)
        return std::nullopt;
    string_view value = trim_blanks(s.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return Entry{s.substr(0, eq), value};
}

// Where a section starts (its header line) and ends (before the next section
// line, or at the end of the file), and where its last entry line ends.
struct SectionSpan {
    size_t begin = 0;
    size_t end = 0;
    size_t after_last_entry = 0;
    bool last_line_unterminated = false; // of the line that ends at after_last_entry
};

// All sections whose name matches key, in file order; only the first when
// first_only.
std::vector<SectionSpan> find_sections(string_view content, const std::u32string& key, bool first_only)
{
    std::vector<SectionSpan> found;
    LineReader reader(content);
    Line line;
    bool inside = false;
    while (reader.next(line)) {
        const string_view text = reader.text(line);
        if (const auto name = section_name(text)) {
            if (inside) {
                found.back().end = line.begin;
                inside = false;
                if (first_only)
                    return found;
            }
            if (name_matches(*name, key)) {
                found.push_back({line.begin, content.size(), line.end, line.text_end == line.end});
                inside = true;
            }
        } else if (inside && entry_of(text)) {
            found.back().after_last_entry = line.end;
            found.back().last_line_unterminated = line.text_end == line.end;
        }
    }
    return found;
}

// Lines of the range [begin, end) holding an entry whose key matches.
std::vector<Line> find_entries(string_view content, size_t begin, size_t end, const std::u32string& key, bool first_only)
{
    std::vector<Line> found;
    LineReader reader(content.substr(0, end), begin);
    Line line;
    while (reader.next(line)) {
        const auto entry = entry_of(reader.text(line));
        if (entry && name_matches(entry->key, key)) {
            found.push_back(line);
            if (first_only)
                break;
        }
    }
    return found;
}

bool has_line_break(string_view s) { return s.find_first_of("\r\n") != npos; }

// Values with blanks at their ends or wrapped in quotes are quoted, so that
// reading them back (trimmed, one pair of quotes dropped) gives them unchanged.
std::string stored_value(string_view value)
{
    const bool quote = !value.empty() && (is_blank(value.front()) || is_blank(value.back()) ||
                                          (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
    return quote ? '"' + std::string(value) + '"' : std::string(value);
}

// The section line for the name, unless it would read back as another name
// (a line break, or a lone lead byte swallowing the closing bracket).
std::optional<std::string> section_line(string_view section)
{
    std::string line = '[' + std::string(section) + ']';
    const auto name = section_name(line);
    if (has_line_break(section) || !name || *name != section)
        return std::nullopt;
    return line;
}

// The entry line, unless it would read back as a section line, a comment, a
// different key or a different value.
std::optional<std::string> entry_line(string_view key, string_view value)
{
    std::string line = std::string(key) + '=' + stored_value(value);
    const auto entry = entry_of(line);
    if (has_line_break(key) || has_line_break(value) || !entry || trim_blanks(entry->key) != trim_blanks(key) ||
        entry->value != value)
        return std::nullopt;
    return line;
}

string_view drop_leading_controls(string_view s)
{
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 0x20)
        ++i;
    return s.substr(i);
}

} // namespace

Text dir_of(const Text& path)
{
    const string_view s = path.view();
    const size_t last = find_char(s, path_separator, true);
    return last == npos ? Text() : Text(s.substr(0, last));
}

namespace {

struct ProgramDir {
    Text dir;
    bool known = false;
};

const ProgramDir& program_dir_info()
{
    static const ProgramDir info = [] {
        ProgramDir d;
        if (const std::optional<Text> program = file_system::running_program()) {
            d.dir = dir_of(*program);
            d.known = true;
        }
        return d;
    }();
    return info;
}

std::optional<Text>& program_dir_override()
{
    static std::optional<Text> dir;
    return dir;
}

} // namespace

const Text& program_dir()
{
    const std::optional<Text>& given = program_dir_override();
    return given ? *given : program_dir_info().dir;
}

void override_program_dir(std::optional<Text> dir) { program_dir_override() = std::move(dir); }

namespace {

Text& fallback_output_dir()
{
    static Text dir;
    return dir;
}

// Made and removed once per directory: an installed program's folder is the system's.
bool can_make_files_in(const Text& dir)
{
    static std::mutex mutex;
    static std::map<std::string, bool> known;
    std::lock_guard lock(mutex);
    const auto found = known.find(dir.str());
    if (found != known.end())
        return found->second;
    const Text probe = dir + Text(std::string(1, path_separator)) + Text(".fenrow-" + file_system::random_suffix());
    const std::string_view nothing[] = {std::string_view()};
    const bool ok = file_system::replace_file(probe, nothing, file_system::Flush::by_caller) == 0;
    if (ok)
        file_system::delete_file(probe);
    return known[dir.str()] = ok;
}

} // namespace

void set_fallback_output_dir(Text dir) { fallback_output_dir() = std::move(dir); }

bool is_temporary_dir(const Text& dir)
{
    const std::optional<Text> temporary = file_system::temporary_dir();
    return temporary && file_system::is_inside(dir, *temporary);
}

Text output_dir_for(const Text& program, const Text& temporary, const Text& fallback)
{
    const bool temporary_program = !temporary.empty() && file_system::is_inside(program, temporary);
    if (fallback.empty() || (!temporary_program && can_make_files_in(program)))
        return program;
    file_system::make_directories(fallback); // a write into it that fails says why
    return fallback;
}

Text output_dir()
{
    // An installed program's folder is the system's, like a temporary one.
    for (const Text& system : file_system::program_folders()) {
        if (file_system::is_inside(program_dir(), system))
            return output_dir_for(program_dir(), system, fallback_output_dir());
    }
    return output_dir_for(program_dir(), file_system::temporary_dir().value_or(Text()), fallback_output_dir());
}

Text documents_output_dir()
{
    const std::optional<Text> documents = file_system::documents_dir();
    return documents ? *documents + Text(std::string(1, path_separator)) + "Fenrow"_t : Text();
}

Text settings_file_for(const Text& program, const Text& user_dir)
{
    const Text name = Text(std::string(1, path_separator)) + "fenrow.ini";
    std::error_code ec;
    if (user_dir.empty() || std::filesystem::exists(to_fs_path(program + name), ec))
        return program + name;
    return user_dir + name;
}

Text settings_file()
{
    return settings_file_for(program_dir(), file_system::settings_dir().value_or(Text()));
}

bool init_program_dir()
{
    const ProgramDir& info = program_dir_info();
    return info.known && file_system::change_directory(info.dir);
}

std::filesystem::path to_fs_path(const Text& path)
{
    const std::string utf8 = text_to_utf8(path);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string file_system::random_suffix()
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 gen([] {
        std::random_device rd;
        const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        std::seed_seq seq{rd(), rd(), rd(), static_cast<unsigned>(now), static_cast<unsigned>(now >> 32)};
        return std::mt19937_64(seq);
    }());
    std::string s(6, 'X');
    for (char& c : s)
        c = alphabet[gen() % (sizeof alphabet - 1)];
    return s;
}

namespace {

std::atomic<std::chrono::milliseconds::rep> busy_wait_ms{2000};

} // namespace

void file_system::set_busy_wait(std::chrono::milliseconds budget) { busy_wait_ms = budget.count(); }

std::chrono::milliseconds file_system::busy_wait() { return std::chrono::milliseconds(busy_wait_ms.load()); }

std::string file_system::temp_name_tail(unsigned long pid) { return ".tmp" + std::to_string(pid) + "-" + random_suffix(); }

std::optional<unsigned long> file_system::temp_name_writer(std::string_view name)
{
    constexpr size_t random_len = 6;
    if (name.size() < 1 + 4 + 1 + 1 + random_len || name[0] != '.' || name[name.size() - random_len - 1] != '-')
        return std::nullopt;
    for (const char c : name.substr(name.size() - random_len)) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    const size_t digits_end = name.size() - random_len - 1;
    size_t digits = digits_end;
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
        --digits;
    if (digits == digits_end || digits_end - digits > 10 || digits < 5 || name.substr(digits - 4, 4) != ".tmp")
        return std::nullopt;
    return std::stoul(std::string(name.substr(digits, digits_end - digits)));
}

bool file_system::first_write_into(const std::string& dir)
{
    static std::mutex mutex;
    static std::set<std::string> seen;
    std::lock_guard lock(mutex);
    return seen.insert(dir).second;
}

std::u32string ini_name_key(const Text& name) { return name_key(name.view()); }

void append_name_key(std::string& out, std::string_view name)
{
    const string_view s = trim_blanks(name);
    if (is_ascii(s)) { // each character is its own one-byte group
        const size_t at = out.size();
        out.append(s);
        for (size_t i = at; i < out.size(); ++i)
            out[i] = static_cast<char>(ascii_lower(static_cast<unsigned char>(out[i])));
        return;
    }
    for (const char32_t c : name_key(s)) {
        auto v = static_cast<std::uint32_t>(c);
        for (; v >= 0x80; v >>= 7)
            out += static_cast<char>(0x80 | (v & 0x7F));
        out += static_cast<char>(v);
    }
}

Text ini_read(const Text& file, const Text& section, const Text& key, const std::optional<Text>& default_text)
{
    const string_view f = drop_leading_controls(file.view());
    const string_view sec = drop_leading_controls(section.view());
    const string_view k = drop_leading_controls(key.view());
    if (f.empty() || sec.empty() || k.empty())
        return Text();

    string_view result = default_text ? default_text->view() : string_view();
    std::string content;
    std::vector<Line> entries;
    if (file_system::read_file(Text(f), content) == 0) {
        const std::vector<SectionSpan> spans = find_sections(content, name_key(sec), true);
        if (!spans.empty())
            entries = find_entries(content, spans[0].begin, spans[0].end, name_key(k), true);
        if (!entries.empty()) {
            const Line& line = entries[0];
            result = entry_of(string_view(content).substr(line.begin, line.text_end - line.begin))->value;
        }
    }
    return Text(result.substr(0, ini_buffer_size - 1));
}

bool ini_write(const Text& file, const Text& section, const std::optional<Text>& key, const std::optional<Text>& value)
{
    const std::optional<std::string> header = section_line(section.view());
    const std::u32string section_key = name_key(section.view());
    if (file.empty() || !header || section_key.empty())
        return false;
    std::optional<std::string> entry;
    std::u32string entry_key;
    if (key) {
        entry = entry_line(key->view(), value ? value->view() : string_view());
        entry_key = name_key(key->view());
        if (!entry || entry_key.empty())
            return false;
    }

    std::string content;
    const int read_err = file_system::read_file(file, content);
    if (read_err != 0 && !file_system::is_missing(read_err))
        return false;

    std::string out;
    if (key && value) {
        const std::vector<SectionSpan> spans = find_sections(content, section_key, true);
        if (spans.empty()) {
            out = content;
            if (!out.empty() && out.back() != '\n')
                out += "\r\n";
            out += *header + "\r\n" + *entry + "\r\n";
        } else {
            const SectionSpan& span = spans[0];
            const std::vector<Line> found = find_entries(content, span.begin, span.end, entry_key, true);
            if (!found.empty()) {
                out = content.substr(0, found[0].begin) + *entry + content.substr(found[0].text_end);
            } else {
                const size_t at = span.after_last_entry;
                out = content.substr(0, at) + (span.last_line_unterminated ? "\r\n" : "") + *entry + "\r\n" +
                      content.substr(at);
            }
        }
    } else {
        // Removal takes every match, so that no later duplicate shows through.
        std::vector<std::pair<size_t, size_t>> cuts;
        const std::vector<SectionSpan> spans = find_sections(content, section_key, key.has_value());
        for (const SectionSpan& span : spans) {
            if (!key) {
                cuts.emplace_back(span.begin, span.end);
                continue;
            }
            for (const Line& line : find_entries(content, span.begin, span.end, entry_key, false))
                cuts.emplace_back(line.begin, line.end);
        }
        if (cuts.empty())
            return true;
        size_t from = 0;
        for (const auto& [begin, end] : cuts) {
            out.append(content, from, begin - from);
            from = end;
        }
        out.append(content, from);
    }

    if (read_err == 0 && out == content)
        return true; // rewriting the same value changes nothing
    const string_view parts[] = {out};
    return file_system::replace_file(file, parts, file_system::Flush::before_rename) == 0;
}

bool file_delete(const Text& path) { return !path.empty() && file_system::delete_file(path); }

bool file_write(const Text& path, std::initializer_list<ByteArray> parts, Text* why, FileFlush flush)
{
    if (path.empty()) {
        if (why)
            *why = "文件名为空"_t;
        return false;
    }
    std::vector<string_view> views;
    views.reserve(parts.size());
    for (const ByteArray& b : parts)
        views.push_back(b.view());
    const int err = file_system::replace_file(path, views,
                                              flush == FileFlush::now ? file_system::Flush::before_rename
                                                                      : file_system::Flush::by_caller);
    if (err != 0 && why)
        *why = file_system::failure_reason(err);
    return err == 0;
}

bool files_flush(std::span<const Text> paths, Text* why)
{
    const int err = paths.empty() ? 0 : file_system::flush_written(paths);
    if (err != 0 && why)
        *why = file_system::failure_reason(err);
    return err == 0;
}

namespace file_system {

// Both systems write a list given in parts through the produced form.
int replace_file(const Text& path, std::span<const std::string_view> parts, Flush flush)
{
    return replace_file(path, [&](const WritePart& write) {
        for (std::string_view part : parts) {
            if (const int err = write(part); err != 0)
                return err;
        }
        return 0;
    }, flush);
}

} // namespace file_system

} // namespace fenrow
