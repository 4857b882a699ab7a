// A list read whole the way fenrow-cli reads it and written whole to standard
// output: the part of every command-line run that no operation can make cheaper.
//   build/bench/io_floor LIST >OUT
#include "runtime/codepage.h"
#include "runtime/file_system.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: io_floor LIST >OUT\n", stderr);
        return 2;
    }
    std::string bytes;
    if (fenrow::file_system::read_file(fenrow::text_from_utf8(argv[1]), bytes, 2) != 0)
        return 1;
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0 ? 0 : 1;
}
