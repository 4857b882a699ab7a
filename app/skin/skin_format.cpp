#include "app/skin/skin_format.h"

#include "app/skin/skin_api.h"

#include <algorithm>
#include <bitset>
#include <cmath>

namespace fenrow::skin {

namespace {

constexpr std::string_view check_key = "check=";
constexpr std::string_view radius_key = "radius";

int hex_digit(char c, bool lower_only)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (!lower_only && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::uint32_t> parse_hex(std::string_view s, bool lower_only)
{
    std::uint32_t v = 0;
    for (char c : s) {
        const int d = hex_digit(c, lower_only);
        if (d < 0)
            return std::nullopt;
        v = v << 4 | static_cast<std::uint32_t>(d);
    }
    return v;
}

std::optional<int> parse_small_number(std::string_view s)
{
    if (s.empty() || s.size() > 3)
        return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<Rgb> parse_colour(std::string_view s)
{
    if (s.size() != 7 || s[0] != '#')
        return std::nullopt;
    const std::optional<std::uint32_t> v = parse_hex(s.substr(1), false);
    if (!v)
        return std::nullopt;
    return Rgb{static_cast<std::uint8_t>(*v >> 16), static_cast<std::uint8_t>(*v >> 8), static_cast<std::uint8_t>(*v)};
}

struct Hsl {
    double h, s, l;
};

Hsl to_hsl(Rgb c)
{
    const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b}), d = hi - lo;
    const double l = (hi + lo) / 2;
    if (d == 0)
        return {0, 0, l};
    const double s = d / (1 - std::fabs(2 * l - 1));
    double h = hi == r ? 60 * std::fmod((g - b) / d, 6.0) : hi == g ? 60 * ((b - r) / d + 2) : 60 * ((r - g) / d + 4);
    if (h < 0)
        h += 360;
    return {h, s, l};
}

std::uint8_t channel(double v)
{
    return static_cast<std::uint8_t>(std::clamp(std::lround(v * 255), 0L, 255L));
}

Rgb from_hsl(Hsl c)
{
    const double chroma = (1 - std::fabs(2 * c.l - 1)) * c.s;
    const double x = chroma * (1 - std::fabs(std::fmod(c.h / 60, 2.0) - 1));
    const double m = c.l - chroma / 2;
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(c.h / 60) % 6) {
    case 0: r = chroma, g = x; break;
    case 1: r = x, g = chroma; break;
    case 2: g = chroma, b = x; break;
    case 3: g = x, b = chroma; break;
    case 4: r = x, b = chroma; break;
    default: r = chroma, b = x; break;
    }
    return {channel(r + m), channel(g + m), channel(b + m)};
}

double luminance(Rgb c)
{
    auto linear = [](std::uint8_t v) {
        const double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

} // namespace

double contrast(Rgb a, Rgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::string seal(std::string_view body)
{
    static constexpr char digits[] = "0123456789abcdef";
    const std::uint32_t h = fnv1a(body);
    std::string out(body);
    out += check_key;
    for (int shift = 28; shift >= 0; shift -= 4)
        out += digits[(h >> shift) & 0xF];
    out += '\n';
    return out;
}

std::optional<Skin> parse_skin(const unsigned char* data, std::size_t size)
{
    if (data == nullptr || size < magic.size() + check_line_size || size > max_block_size)
        return std::nullopt;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    // Lines end LF alone; a CR or a zero byte means the block was mangled.
    if (all.find_first_of(std::string_view("\0\r", 2)) != std::string_view::npos || all.back() != '\n')
        return std::nullopt;

    const std::size_t check_at = all.size() - check_line_size;
    const std::string_view body = all.substr(0, check_at);
    const std::string_view check = all.substr(check_at, check_line_size - 1);
    if (body.empty() || body.back() != '\n' || check.substr(0, check_key.size()) != check_key)
        return std::nullopt;
    const std::optional<std::uint32_t> sum = parse_hex(check.substr(check_key.size()), true);
    if (!sum || *sum != fnv1a(body))
        return std::nullopt;

    std::size_t at = body.find('\n');
    const std::string_view head = body.substr(0, at);
    if (head.substr(0, magic.size()) != magic || parse_small_number(head.substr(magic.size())) != format_version)
        return std::nullopt;

    Skin skin;
    std::bitset<role_count + 1> seen; // the roles, then the radius
    for (++at; at < body.size();) {
        const std::size_t end = body.find('\n', at);
        const std::string_view line = body.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        std::size_t slot = role_count;
        if (key != radius_key) {
            const auto it = std::find(role_keys.begin(), role_keys.end(), key);
            if (it == role_keys.end())
                return std::nullopt;
            slot = static_cast<std::size_t>(it - role_keys.begin());
        }
        if (seen[slot])
            return std::nullopt;
        seen[slot] = true;
        if (slot == role_count) {
            const std::optional<int> r = parse_small_number(value);
            if (!r || *r > max_radius)
                return std::nullopt;
            skin.radius = *r;
        } else {
            const std::optional<Rgb> c = parse_colour(value);
            if (!c)
                return std::nullopt;
            skin.colours[slot] = *c;
        }
    }
    if (!seen.all())
        return std::nullopt;
    return skin;
}

Rgb shift_colour(Rgb c, int hue, int saturation, int lightness)
{
    hue = std::clamp(hue, -hue_limit, hue_limit);
    saturation = std::clamp(saturation, -saturation_limit, saturation_limit);
    lightness = std::clamp(lightness, -lightness_limit, lightness_limit);
    Hsl v = to_hsl(c);
    v.h = std::fmod(v.h + hue + 360, 360.0);
    v.s = std::min(1.0, v.s * (100 + saturation) / 100);
    v.l = lightness >= 0 ? v.l + (1 - v.l) * lightness / 100 : v.l * (100 + lightness) / 100;
    return from_hsl(v);
}

Skin shift_skin(const Skin& s, int hue, int saturation, int lightness)
{
    Skin out = s;
    for (Rgb& c : out.colours)
        c = shift_colour(c, hue, saturation, lightness);
    // Hues differ in brightness: a shifted accent may lose the white text on
    // it, so that text turns to whichever of the skin's text colours reads best.
    auto worst = [&](Rgb text) { return std::min(contrast(text, out[Role::selection]), contrast(text, out[Role::accent])); };
    Rgb& on_accent = out.colours[static_cast<std::size_t>(Role::selection_text)];
    if (worst(on_accent) < 4.5) {
        for (Rgb other : {out[Role::base], out[Role::window_text]}) {
            if (worst(other) > worst(on_accent))
                on_accent = other;
        }
    }
    return out;
}

} // namespace fenrow::skin
