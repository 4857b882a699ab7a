// Text values: byte strings in code page 936 with 1-based byte positions.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

namespace fenrow {

// A code-page-936 byte string that never holds a zero byte; every conversion
// into a Text stops at the first zero byte.
class Text {
public:
    Text() = default;
    // ASCII or code-page-936 bytes; a UTF-8 literal holding other characters
    // goes through the _t suffix of codepage.h instead.
    Text(const char* s) : s_(s ? s : "") {}
    explicit Text(std::string_view bytes) : s_(bytes.substr(0, bytes.find('\0'))) {}
    explicit Text(std::string&& bytes) : s_(std::move(bytes)) { s_.resize(std::min(s_.size(), s_.find('\0'))); }

    const std::string& str() const { return s_; }
    std::string_view view() const { return s_; }
    const char* c_str() const { return s_.c_str(); }
    // Hands the bytes over, leaving the text empty.
    std::string take() { return std::exchange(s_, std::string()); }
    // Changes the bytes in place, for an editor that keeps them free of zero
    // bytes: a text of hundreds of megabytes is not scanned again per keystroke.
    template <typename F>
    void edit(F&& change)
    {
        change(s_);
    }
    int size() const { return static_cast<int>(s_.size()); }
    bool empty() const { return s_.empty(); }
    unsigned char byte(std::size_t i) const { return static_cast<unsigned char>(s_[i]); }

    Text& operator+=(const Text& other) { s_ += other.s_; return *this; }
    // Appends raw bytes; a zero byte ends what is appended.
    Text& append(std::string_view bytes) { s_.append(bytes.substr(0, bytes.find('\0'))); return *this; }
    void reserve(std::size_t n) { s_.reserve(n); }

    friend bool operator==(const Text&, const Text&) = default;
    friend Text operator+(Text a, const Text& b) { a += b; return a; }

private:
    std::string s_;
};

// A length-counted byte string that may hold zero bytes.
class ByteArray {
public:
    ByteArray() = default;
    explicit ByteArray(std::string bytes) : b_(std::move(bytes)) {}
    ByteArray(const void* data, std::size_t n) : b_(static_cast<const char*>(data), n) {}

    const std::string& str() const { return b_; }
    std::string_view view() const { return b_; }
    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(b_.data()); }
    int size() const { return static_cast<int>(b_.size()); }
    bool empty() const { return b_.empty(); }
    void append(std::string_view bytes) { b_.append(bytes); }

    friend bool operator==(const ByteArray&, const ByteArray&) = default;

private:
    std::string b_;
};

// An ordered list of texts numbered from 1.
class TextArray {
public:
    TextArray() = default;
    explicit TextArray(std::vector<Text> items) : items_(std::move(items)) {}

    const std::vector<Text>& items() const { return items_; }
    std::vector<Text>& items() { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    friend bool operator==(const TextArray&, const TextArray&) = default;

private:
    std::vector<Text> items_;
};

// Text operations. Positions are 1-based, "not found" is -1, and scans step
// over two-byte characters whole.
int txt_len(const Text& t);
template <typename... More>
Text txt_concat(const Text& first, const More&... more)
{
    Text r;
    r.reserve(first.view().size() + (std::size_t{0} + ... + Text(more).view().size()));
    r += first;
    (r += ... += Text(more));
    return r;
}
int txt_compare(const Text& a, const Text& b);
Text txt_left(const Text& t, int n);
Text txt_right(const Text& t, int n);
Text txt_mid(const Text& t, int start, int n);
int txt_find(const Text& t, const Text& sought, std::optional<int> start, bool ignore_case);
// txt_find over views with a 0-based start: npos when not found, and 0 (not
// the start) for an empty sought text, as txt_find gives 1.
std::size_t find_from(std::string_view s, std::string_view x, std::size_t from, bool ignore_case);
int txt_find_last(const Text& t, const Text& sought, std::optional<int> start, bool ignore_case);
Text txt_replace(const Text& t, const Text& sought, std::optional<Text> replacement, std::optional<int> start,
                 std::optional<int> count, bool case_sensitive);
TextArray txt_split(const Text& t, std::optional<Text> delimiter = std::nullopt,
                    std::optional<int> max_pieces = std::nullopt);
Text txt_lower(const Text& t);
Text txt_trim(const Text& t);
Text txt_strip_spaces(const Text& t);
int32_t txt_to_int(const Text& t);
Text txt_from_int(int32_t i);
Text txt_from_double(double x);
Text txt_from_bytes(const ByteArray& b);
ByteArray txt_to_bytes(const Text& t);
Text txt_spaces(int n);
Text txt_from_code(unsigned char c);

int bytes_len(const ByteArray& b);
ByteArray bytes_left(const ByteArray& b, int n);
int bytes_find(const ByteArray& b, const ByteArray& sought, std::optional<int> start = std::nullopt);
ByteArray bytes_zeros(int n);

template <typename... Ints>
int32_t bit_or(int32_t first, Ints... more)
{
    return (first | ... | static_cast<int32_t>(more));
}

int array_count(const TextArray& a);
// An index outside 1 … count is a fatal runtime error.
const Text& array_at(const TextArray& a, int index);
void array_append(TextArray& a, const Text& t);

// ASCII letters to lower case, every other unit as it is: the bytes of
// two-byte characters never change.
template <typename C>
constexpr C ascii_lower(C c)
{
    return (c >= C('A') && c <= C('Z')) ? static_cast<C>(c + ('a' - 'A')) : c;
}

// The length in bytes of the character that starts at byte i of s: 2 for a
// lead byte followed by another byte, else 1. The euro sign 0x80 stands alone,
// so that a line ending in it keeps its line break.
inline std::size_t char_len(std::string_view s, std::size_t i)
{
    return (static_cast<unsigned char>(s[i]) > 0x80 && i + 1 < s.size()) ? 2 : 1;
}

// Whether a character starts at byte pos of s, given that one starts at known
// (<= pos): behind a byte up to 0x80 one always does, and the bytes above 0x80
// from there pair up, so an odd run makes pos a second byte.
inline bool starts_character(std::string_view s, std::size_t known, std::size_t pos)
{
    std::size_t run = pos;
    while (run > known && static_cast<unsigned char>(s[run - 1]) > 0x80)
        --run;
    return (pos - run) % 2 == 0;
}

} // namespace fenrow
