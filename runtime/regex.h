// Regular expressions for the program's own code: compile a pattern once, then
// find its matches in a text, replace them or split the text at them. It sits
// in runtime/ because the "VBScript.RegExp" automation component is a thin
// adapter over it (modules/ and above reach both from here, nothing here
// reaches up).
//
// The dialect is the ECMAScript-like one that callers of the component expect:
// - \s is exactly space, tab, LF, VT, FF and CR (neither the full-width space
//   nor NBSP), \w, \d and \b are ASCII;
// - lines end at CR, LF or CR LF: "." matches neither CR nor LF, and with
//   multiline "^" and "$" match at those line ends, "^" also behind a final
//   one; without multiline "$" matches only at the very end;
// - \uhhhh and \xhh escapes, "[]" and "[^]", and a back reference to a group
//   that has not matched matches the empty text;
// - bytes that form no character match nothing, not even "."; case folding
//   covers all letters;
// - after an empty match the search goes on one character further;
// - replacements fill in $1 … $99 ("$nn" takes two digits when that group
//   exists, else one), $& (the match), $` (the text before it), $' (the text
//   behind it) and $$ (a dollar sign); anything else stays as written.
// The engine gives up cleanly on runaway patterns (match, depth and heap
// limits, a bounded stack): a search that gave up fails as a whole.
//
// Inside, the engine works on UTF-16: a text goes in as its exact form
// (codepage.h), where each byte that forms no character is a lone surrogate
// that matches nothing, and a character outside the BMP is a pair never split.
// Offsets come back as bytes of the system's text.
#pragma once

#include "runtime/text.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fenrow {

struct RegexFlags {
    bool ignore_case = false;
    bool multiline = false; // "^" and "$" match at every line end too
    bool global = false;    // every match, not only the first
};

// A compiled pattern with its flags. One thread at a time: a search uses the
// pattern's own scratch space.
class Regex {
public:
    struct Engine; // defined in regex.cpp, the only code that looks inside
    explicit Regex(std::unique_ptr<Engine> engine, RegexFlags flags);
    Regex(Regex&&) noexcept;
    Regex& operator=(Regex&&) noexcept;
    ~Regex();

    RegexFlags flags() const { return flags_; }
    int groups() const; // capturing groups in the pattern
    Engine& engine() const { return *engine_; }

private:
    std::unique_ptr<Engine> engine_;
    RegexFlags flags_;
};

// nullopt when the engine rejects the pattern.
std::optional<Regex> regex_compile(const Text& pattern, RegexFlags flags = {});

// A stretch of the searched text: its 0-based byte offset and its bytes.
struct RegexSpan {
    int offset = 0;
    Text text;
    friend bool operator==(const RegexSpan&, const RegexSpan&) = default;
};
struct RegexMatch {
    RegexSpan whole;
    std::vector<std::optional<RegexSpan>> groups; // group 1 first; nullopt: took part in no match
    friend bool operator==(const RegexMatch&, const RegexMatch&) = default;
};

// Every match with the global flag, else the first (or none); nullopt when
// the engine gave up. The same holds for replace and split.
std::optional<std::vector<RegexMatch>> regex_match(const Regex& re, const Text& subject);
std::optional<Text> regex_replace(const Regex& re, const Text& subject, const Text& replacement);
// The texts between the matches: one more than there are matches.
std::optional<std::vector<Text>> regex_split(const Regex& re, const Text& subject);

// ---- The same engine on UTF-16 texts, for the automation component ----
// Offsets count code units.

std::optional<Regex> regex_compile_utf16(std::u16string_view pattern, RegexFlags flags);

inline constexpr std::uint32_t regex_unset = 0xFFFFFFFFu;
// Per match, its start and end, then the start and end of each group
// (regex_unset for a group that took part in no match). first_only stops at
// the first match whatever the global flag says.
std::optional<std::vector<std::uint32_t>> regex_offsets_utf16(const Regex& re, std::u16string_view subject,
                                                              bool first_only = false);
std::optional<std::u16string> regex_replace_utf16(const Regex& re, std::u16string_view subject,
                                                  std::u16string_view replacement);

} // namespace fenrow
