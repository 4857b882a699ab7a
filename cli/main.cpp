#include "cli/cli.h"
#include "cli/console.h"

#include <cstdio>

namespace {

class StdStreams : public fenrow::CliStreams {
public:
    bool read_input(std::string& out) override
    {
        char buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0)
            out.append(buf, n);
        return std::ferror(stdin) == 0;
    }
    bool write_output(std::string_view bytes) override
    {
        return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0;
    }
    void write_error(const fenrow::Text& line) override
    {
        const std::string s = fenrow::console::for_terminal(line) + "\n";
        std::fwrite(s.data(), 1, s.size(), stderr);
    }
};

} // namespace

int main(int argc, char** argv)
{
    fenrow::console::use_binary_streams();
    StdStreams io;
    return fenrow::run_cli(fenrow::console::arguments(argc, argv), io);
}
