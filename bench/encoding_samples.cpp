// Account lists in every encoding a list file comes in, written as files for
// bench/encoding_vs_uchardet.sh, with the encoding each is in and the one
// Fenrow's detector finds:
//   build/bench/encoding_samples DIR   prints "FILE EXPECTED FOUND" a line
#include "runtime/file_encoding.h"
#include "tests/support/account_lists.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

namespace {

using namespace fenrow;

const char* name_of(FileEncoding e)
{
    switch (e) {
    case FileEncoding::utf8:
    case FileEncoding::utf8_bom: return "utf-8";
    case FileEncoding::utf16le: return "utf-16le";
    case FileEncoding::utf16be: return "utf-16be";
    case FileEncoding::big5: return "big5";
    case FileEncoding::gbk: break;
    }
    return "gbk";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    std::mt19937 rng(2026);
    int n = 0;
    const auto sample = [&](const char* expected, const std::string& bytes) {
        const std::string file = std::string(argv[1]) + "/" + expected + "-" + std::to_string(++n) + ".txt";
        std::ofstream(file, std::ios::binary) << bytes;
        std::printf("%s %s %s\n", file.c_str(), expected, name_of(detect_encoding(bytes)));
    };
    for (int i = 0; i < 200; ++i) {
        // Short lists (one to three lines), then longer ones up to 2000 lines.
        const int lines = i % 4 == 0 ? 1 + static_cast<int>(rng() % 3) : 5 + static_cast<int>(rng() % 2000);
        const std::string list = test::account_list(rng, lines), traditional = test::account_list(rng, lines, true);
        sample("gbk", test::gbk_of(list));
        // A list that happens to be all ASCII is the same text in every encoding: no sample of Big5.
        if (std::any_of(traditional.begin(), traditional.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            sample("big5", test::big5_of(traditional));
        if (i % 4 == 1) {
            sample("utf-8", list);
            sample("utf-16le", test::utf16_of(list, false));
            sample("utf-16be", test::utf16_of(list, true));
        }
    }
    return 0;
}
