// Build tool: writes the program's icon as a Windows icon file with every size
// of app_icon_sizes, for the programs' resources and the setup. Built with the
// build machine's compiler even when the programs are cross-built, so it uses
// nothing but the standard library: the entries are plain 32-bit bitmaps.
#include "app/icon.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace {

void put16(std::string& out, unsigned v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8 & 0xFF);
}

void put32(std::string& out, unsigned v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One entry: the bitmap header (twice the height: colour and mask), the BGRA
// rows bottom-up, then the 1-bit mask (set where fully transparent), rows
// padded to 32 bits.
std::string bitmap_entry(int size)
{
    const std::vector<std::uint8_t> rgba = fenrow::draw_app_icon(size);
    const int mask_row = (size + 31) / 32 * 4;
    std::string out;
    put32(out, 40);
    put32(out, size);
    put32(out, size * 2);
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, size * size * 4 + mask_row * size);
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) {
            const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * size + x) * 4];
            out += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0]), static_cast<char>(p[3])};
        }
    for (int y = size - 1; y >= 0; --y) {
        std::string row(mask_row, '\0');
        for (int x = 0; x < size; ++x)
            if (rgba[(static_cast<std::size_t>(y) * size + x) * 4 + 3] == 0)
                row[x / 8] = static_cast<char>(row[x / 8] | 0x80 >> x % 8);
        out += row;
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: icon_file FILE.ico\n");
        return 2;
    }
    const unsigned count = std::size(fenrow::app_icon_sizes);
    std::string head, images;
    put16(head, 0);
    put16(head, 1); // an icon, not a cursor
    put16(head, count);
    for (int size : fenrow::app_icon_sizes) {
        const std::string entry = bitmap_entry(size);
        head += static_cast<char>(size % 256); // 0 stands for 256
        head += static_cast<char>(size % 256);
        put16(head, 0);
        put16(head, 1);
        put16(head, 32);
        put32(head, entry.size());
        put32(head, 6 + 16 * count + images.size());
        images += entry;
    }
    std::ofstream file(argv[1], std::ios::binary);
    file << head << images;
    file.close();
    if (!file) {
        std::fprintf(stderr, "icon_file: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
