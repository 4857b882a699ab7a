#include "app/icon.h"

#include <algorithm>
#include <cmath>

namespace fenrow {

namespace {

enum class Shape { rounded_rect, rect, ellipse };

// Coordinates on a 16-unit grid, scaled to the size drawn.
struct Piece {
    Shape shape;
    double x, y, w, h;
    std::uint8_t r, g, b;
};

constexpr double corner = 2.5;

constexpr Piece page{Shape::rounded_rect, 1, 1, 14, 14, 32, 96, 200};

constexpr Piece line(int i) { return {Shape::rect, 5.5, 3.5 + i * 2.5, 7.5, 1.2, 255, 255, 255}; }
constexpr Piece dot(int i) { return {Shape::ellipse, 2.6, 3.4 + i * 2.5, 1.5, 1.5, 255, 210, 60}; }

constexpr Piece pieces[] = {page, line(0), line(1), line(2), line(3), dot(0), dot(1), dot(2), dot(3)};

bool inside(const Piece& p, double x, double y)
{
    if (x < p.x || y < p.y || x >= p.x + p.w || y >= p.y + p.h)
        return false;
    if (p.shape == Shape::rect)
        return true;
    if (p.shape == Shape::ellipse) {
        const double dx = (x - p.x) / p.w * 2 - 1, dy = (y - p.y) / p.h * 2 - 1;
        return dx * dx + dy * dy <= 1;
    }
    const double cx = std::clamp(x, p.x + corner, p.x + p.w - corner);
    const double cy = std::clamp(y, p.y + corner, p.y + p.h - corner);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= corner * corner;
}

} // namespace

std::vector<std::uint8_t> draw_app_icon(int size)
{
    // 8 x 8 samples a pixel: 64 coverage levels, smooth even at 16 pixels.
    constexpr int samples = 8;
    const double unit = size / 16.0;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(size) * size * 4);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            double r = 0, g = 0, b = 0, a = 0; // premultiplied, 0..1
            for (const Piece& p : pieces) {
                // Pixels clear of the piece's box take no samples.
                if ((px + 1) / unit <= p.x || (py + 1) / unit <= p.y || px / unit >= p.x + p.w || py / unit >= p.y + p.h)
                    continue;
                int hits = 0;
                for (int sy = 0; sy < samples; ++sy)
                    for (int sx = 0; sx < samples; ++sx)
                        hits += inside(p, (px + (sx + 0.5) / samples) / unit, (py + (sy + 0.5) / samples) / unit);
                const double c = hits / double(samples * samples);
                r = p.r / 255.0 * c + r * (1 - c);
                g = p.g / 255.0 * c + g * (1 - c);
                b = p.b / 255.0 * c + b * (1 - c);
                a = c + a * (1 - c);
            }
            std::uint8_t* o = &out[(static_cast<std::size_t>(py) * size + px) * 4];
            const auto level = [a](double v) { return static_cast<std::uint8_t>(std::lround(a > 0 ? v / a * 255 : 0)); };
            o[0] = level(r);
            o[1] = level(g);
            o[2] = level(b);
            o[3] = static_cast<std::uint8_t>(std::lround(a * 255));
        }
    }
    return out;
}

} // namespace fenrow
