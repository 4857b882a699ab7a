// The program's icon, a page of account lines with a numbered tab: shapes as
// data, drawn into pixels by every toolkit's window and by the build tool that
// writes the Windows icon file, so all of them show the same picture.
#pragma once

#include <cstdint>
#include <vector>

namespace fenrow {

// The sizes the icon is drawn in, installed in and written into fenrow.ico.
inline constexpr int app_icon_sizes[] = {16, 24, 32, 48, 64, 128, 256};

// The icon at size x size pixels, rows from the top, each pixel R, G, B, A
// (not premultiplied); edges anti-aliased by the share of the pixel covered.
std::vector<std::uint8_t> draw_app_icon(int size);

} // namespace fenrow
