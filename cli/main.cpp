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
    bool write_output(std::string_view bytes, fenrow::console::Encoding e) override
    {
        return fenrow::console::write_output(bytes, e);
    }
    void write_error(const fenrow::Text& line) override
    {
        fenrow::console::write_error(fenrow::console::for_terminal(line) + "\n", fenrow::console::terminal_encoding());
    }
};

} // namespace

int main(int argc, char** argv)
{
    fenrow::console::use_binary_streams();
    StdStreams io;
    return fenrow::run_cli(fenrow::console::arguments(argc, argv), io);
}
