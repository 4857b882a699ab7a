// Memory running out inside a step the user started: the step fails with its
// message, both boxes keep every byte, no file is written, and the program
// goes on. Each case runs in a child process whose address space is capped a
// little above what it holds before the click, so that the step cannot fit.
#include "app/control_table.h"
#include "app/memory_window.h"
#include "app/shell.h"
#include "cli/cli.h"
#include "ops/generate.h"
#include "ops/outcome.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

using namespace fenrow;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t list_bytes = 24 << 20;
constexpr std::size_t headroom = 10 << 20; // a worker's stack fits, a copy of the list does not

// Accounts the way users hold them; every operation has work to do on them.
Text big_list(char tag)
{
    std::string s;
    s.reserve(list_bytes + 64);
    for (int i = 0; s.size() < list_bytes; ++i) {
        s += tag + std::to_string(i) + ",pw----x\r\n";
        if (i % 7 == 0)
            s += "\r\n";
    }
    return Text(std::move(s));
}

std::size_t address_space_now()
{
    std::size_t pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%zu", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// The step under a cap of what the process holds now plus headroom; the cap
// is lifted again before anything is checked.
void under_memory_cap(const std::function<void()>& step)
{
    rlimit old{};
    getrlimit(RLIMIT_AS, &old);
    rlimit capped = old;
    capped.rlim_cur = address_space_now() + headroom;
    setrlimit(RLIMIT_AS, &capped);
    step();
    setrlimit(RLIMIT_AS, &old);
}

// Runs body in a child process; its failures are reported by its exit code.
void in_child(const std::function<void()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        body();
        std::fflush(nullptr);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see the child's failures above";
}

struct Step {
    const char* name;
    std::function<void(MemoryControls&)> run;
};

} // namespace

TEST(OutOfMemory, EveryStepOfTheWindowFailsAloneAndChangesNothing)
{
    const test::TempDir dir("fenrow-oom-");
    const fs::path file = dir.path() / "list.txt";
    {
        const Text list = big_list('f');
        std::ofstream(file, std::ios::binary) << list.view();
    }
    const auto click = [](ControlName button) { return [button](MemoryControls& ui) { ui.raise(button, Event::clicked); }; };
    const Step steps[] = {
        {"extract", click(ctl::extract_button)},
        {"convert", click(ctl::convert_button)},
        {"generate", click(ctl::generate_button)},
        {"mark", click(ctl::mark_button)},
        {"pick", click(ctl::pick_button)},
        {"dedupe", click(ctl::dedupe_button)},
        {"blank lines", click(ctl::blank_button)},
        {"copy", click(ctl::copy_left)},
        {"Ctrl+V", [](MemoryControls& ui) { ui.box(ctl::left_box).run({BoxCommand::paste}); }},
        {"open", [&](MemoryControls& ui) { ui.box(ctl::right_box).open_file(Text(file.string())); }},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        in_child([&] {
            // One heap for every thread, large blocks always mapped on their
            // own and given back when freed: memory reserved before the cap (a
            // worker's arena, a freed list kept in the heap) would let a step
            // allocate past it.
            mallopt(M_ARENA_MAX, 1);
            mallopt(M_MMAP_THRESHOLD, 1 << 20);
            mallopt(M_TRIM_THRESHOLD, 1 << 20);
            override_program_dir(Text(dir.path().string()));
            FakeDesktop desktop;
            MemoryControls ui{control_table()};
            const Text left = big_list('a'), right = big_list('b');
            ui.set_content(ctl::left_box, left);
            ui.set_content(ctl::right_box, right);
            ui.set_content(ctl::extract_tail, Text(","));
            ui.set_content(ctl::block_size, Text(std::to_string(count_lines(left))));
            ui.set_clipboard(big_list('c'));
            under_memory_cap([&] {
                s.run(ui);
                ui.wait_for_box_jobs();
            });
            ASSERT_FALSE(desktop.boxes.empty());
            EXPECT_EQ(desktop.boxes.back().content, out_of_memory_message().text);
            EXPECT_TRUE(*ui.share_content(ctl::left_box) == left);
            EXPECT_TRUE(*ui.share_content(ctl::right_box) == right);
            std::size_t files = 0;
            for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
                ++files;
            EXPECT_EQ(files, 1u); // the list, no generated file
            // The window goes on: the next step works.
            desktop.boxes.clear();
            ui.raise(ctl::not_developed_button, Event::clicked);
            EXPECT_EQ(desktop.boxes.size(), 1u);
        });
    }
}

namespace {

class StringStreams : public CliStreams {
public:
    std::string in, out, err;
    bool read_input(std::string& o) override
    {
        o = in;
        return true;
    }
    bool write_output(std::string_view bytes, console::Encoding) override
    {
        out += bytes;
        return true;
    }
    void write_error(const Text& line) override { err += line.str() + "\n"; }
};

} // namespace

TEST(OutOfMemory, TheCommandLineExitsWithItsOwnCode)
{
    in_child([] {
        StringStreams io;
        io.in = big_list('a').str();
        int exit = 0;
        under_memory_cap([&] { exit = run_cli({Text("dedupe")}, io); });
        EXPECT_EQ(exit, cli_out_of_memory);
        EXPECT_EQ(io.out, "");
        const Message m = out_of_memory_message();
        EXPECT_EQ(io.err, ("["_t + m.title + "] "_t + m.text).str() + "\n");
    });
}
