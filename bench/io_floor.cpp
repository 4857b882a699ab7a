// A list read the way fenrow-cli reads a list it streams, a block at a time,
// and written back block by block to standard output: the part of a streamed
// command-line run that no operation can make cheaper.
//   build/bench/io_floor LIST >OUT
#include "runtime/codepage.h"
#include "runtime/file_system.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: io_floor LIST >OUT\n", stderr);
        return 2;
    }
    bool written = true;
    const int err = fenrow::file_system::read_file_blocks(fenrow::text_from_utf8(argv[1]), std::size_t{1} << 16,
                                                          [&](std::string_view block) {
                                                              written = std::fwrite(block.data(), 1, block.size(), stdout) == block.size();
                                                              return written;
                                                          });
    return err == 0 && written && std::fflush(stdout) == 0 ? 0 : 1;
}
