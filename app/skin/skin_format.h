// Our skin format: a block of text lines, each ending LF.
//
//   FRWSKIN 1                 magic and format version
//   # a comment               comments and empty lines are skipped
//   window=#EEF1F5            every colour role once, as #RRGGBB
//   radius=4                  corner radius of buttons, boxes and panels, 0 … 12
//   check=1a2b3c4d            FNV-1a (32 bits, lower-case hex) of every byte before this line
//
// Nothing may follow the check line. A block that breaks any rule is refused
// whole, so a damaged skin never half-applies.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fenrow::skin {

inline constexpr std::string_view magic = "FRWSKIN ";
inline constexpr int format_version = 1;
inline constexpr std::size_t max_block_size = 16 * 1024;
inline constexpr int max_radius = 12;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Contrast ratio of two colours, 1 to 21, from their relative luminance.
double contrast(Rgb a, Rgb b);

enum class Role {
    window,         // window background
    window_text,    // captions without a colour of their own
    panel,          // inside of the group boxes
    panel_border,
    base,           // edit boxes
    base_text,
    frame,          // edit-box borders
    accent,         // focus, ticks, hover borders
    button_top,     // push buttons: a gentle vertical gradient
    button_bottom,
    button_border,
    button_hover,   // top of a button under the pointer
    button_pressed,
    button_text,
    selection,
    selection_text,
    status,         // status bar
    status_border,
    disabled_text,
};
inline constexpr std::size_t role_count = static_cast<std::size_t>(Role::disabled_text) + 1;
inline constexpr std::array<std::string_view, role_count> role_keys = {
    "window",        "window_text",   "panel",       "panel_border",   "base",
    "base_text",     "frame",         "accent",      "button_top",     "button_bottom",
    "button_border", "button_hover",  "button_pressed", "button_text", "selection",
    "selection_text", "status",       "status_border", "disabled_text",
};

struct Skin {
    std::array<Rgb, role_count> colours{};
    int radius = 0;
    Rgb operator[](Role r) const { return colours[static_cast<std::size_t>(r)]; }
    friend bool operator==(const Skin&, const Skin&) = default;
};

constexpr std::uint32_t fnv1a(std::string_view bytes)
{
    std::uint32_t h = 2166136261u;
    for (char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h;
}

inline constexpr std::size_t check_line_size = 15; // "check=" + 8 hex digits + LF

// Ends a body (magic line and entries) with its check line, at compile time for
// the skins the program carries.
template <std::size_t N>
constexpr std::array<char, N - 1 + check_line_size> seal(const char (&body)[N])
{
    std::array<char, N - 1 + check_line_size> out{};
    for (std::size_t i = 0; i + 1 < N; ++i)
        out[i] = body[i];
    const std::uint32_t h = fnv1a(std::string_view(body, N - 1));
    constexpr std::string_view key = "check=";
    std::size_t at = N - 1;
    for (char c : key)
        out[at++] = c;
    for (int shift = 28; shift >= 0; shift -= 4)
        out[at++] = "0123456789abcdef"[(h >> shift) & 0xF];
    out[at] = '\n';
    return out;
}
std::string seal(std::string_view body);

std::optional<Skin> parse_skin(const unsigned char* data, std::size_t size);

// Hue in degrees, saturation and lightness in percent, each limited to its
// range. Saturation scales (-100 gives grey, greys stay grey); lightness moves
// toward white or black.
Rgb shift_colour(Rgb c, int hue, int saturation, int lightness);
// Every colour shifted; the text on the accent may turn to another of the
// skin's text colours where the shifted one would no longer read.
Skin shift_skin(const Skin& s, int hue, int saturation, int lightness);

} // namespace fenrow::skin
