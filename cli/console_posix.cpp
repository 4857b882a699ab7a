#include "cli/console.h"

#include "runtime/codepage.h"

namespace fenrow::console {

std::vector<Text> arguments(int argc, char** argv)
{
    std::vector<Text> out;
    for (int i = 1; i < argc; ++i)
        out.push_back(text_from_utf8(argv[i]));
    return out;
}

void use_binary_streams() {}

std::string for_terminal(const Text& t) { return text_to_utf8(t); }

} // namespace fenrow::console
