// The settings file on arbitrary contents and names: reading never fails
// badly, and what a write accepts reads back.
#include "runtime/files.h"
#include "tests/fuzz/check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace fenrow;

namespace {
Text no_zero(std::string s) { return Text(std::string_view(s)); }

const std::string& scratch_file()
{
    static const std::string path = [] {
        std::string dir = std::filesystem::temp_directory_path() / "fenrow-fuzz-ini.XXXXXX";
        return std::string(mkdtemp(dir.data())) + "/f.ini";
    }();
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const Text section = no_zero(in.ConsumeRandomLengthString(16));
    const Text key = no_zero(in.ConsumeRandomLengthString(8));
    const Text value = no_zero(in.ConsumeRandomLengthString(32));
    const std::string contents = in.ConsumeRemainingBytesAsString();
    const std::string& path = scratch_file();
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(contents.data(), 1, contents.size(), f);
        std::fclose(f);
    }
    const Text file(path);
    const Text before = ini_read(file, section, key, Text("default"));
    CHECK(txt_len(before) < ini_buffer_size);
    if (ini_write(file, section, key, value)) {
        // The first matching section and key now hold the value, unless the
        // names read back differently (leading control bytes are dropped on read).
        const Text after = ini_read(file, section, key);
        if (section.empty() || key.empty() || static_cast<unsigned char>(section.str()[0]) > 0x20)
            if (static_cast<unsigned char>(key.str()[0]) > 0x20 && txt_len(value) < ini_buffer_size)
                CHECK(after == value);
    }
    return 0;
}
