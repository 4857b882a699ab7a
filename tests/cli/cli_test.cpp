#include "cli/cli.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "app/shell.h"
#include "cli/arguments.h"
#include "cli/console.h"
#include "cli/lists.h"
#include "ops/handlers.h"
#include "ops/operations.h"
#include "runtime/codepage.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace fenrow {
namespace {

namespace fs = std::filesystem;

class StringStreams : public CliStreams {
public:
    std::string in, out, err;
    bool output_fails = false;
    std::optional<console::Encoding> out_encoding; // as the last write said

    bool read_input(std::string& o) override
    {
        o = in;
        return true;
    }
    bool write_output(std::string_view bytes, console::Encoding e) override
    {
        out_encoding = e;
        if (output_fails)
            return false;
        out += bytes;
        return true;
    }
    void write_error(const Text& line) override { err += text_to_utf8(line) + "\n"; }
};

// Arguments as the terminal gives them: UTF-8, split at spaces.
std::vector<Text> args_of(const std::string& line)
{
    std::vector<Text> out;
    std::istringstream words(line);
    for (std::string w; words >> w;)
        out.push_back(text_from_utf8(w == "''" ? "" : w));
    return out;
}

Text path_text(const fs::path& p) { return text_from_utf8(reinterpret_cast<const char*>(p.u8string().c_str())); }

std::string read_all(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

void write_all(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// Each operation is a button's, which the window binds, or a list tool's,
// whose entry names it; every tool's command line parses, with its flag.
TEST(Cli, EveryOperationIsAButtonsOperationWhichTheWindowBindsOrAListTools)
{
    for (const CliOperation& op : cli_operations()) {
        ASSERT_NE(op.button.has_value(), op.tool.has_value()) << op.name;
        if (op.tool) {
            const std::string_view command = list_tool(*op.tool).command;
            EXPECT_EQ(command.substr(0, command.find(' ')), op.name);
            EXPECT_EQ(op.inputs, list_tool(*op.tool).lists) << op.name;
            continue;
        }
        EXPECT_NE(operation_of(*op.button), nullptr) << op.name;
        EXPECT_TRUE(find_handler(*op.button, Event::clicked)) << op.name;
    }
    for (const ListToolEntry& tool : list_tools()) {
        EXPECT_EQ(&list_tool(tool.tool), &tool);
        std::vector<Text> args = args_of(tool.command);
        for (int i = tool.asks_text ? 0 : 1; i <= tool.lists; ++i)
            args.push_back(Text("x"));
        CliRequest r;
        EXPECT_EQ(parse_arguments(args, r), std::nullopt) << tool.command;
        EXPECT_EQ(r.filter.invert, tool.tool == ListTool::drop_containing) << tool.command;
        EXPECT_EQ(r.compare.ignore_case, tool.tool == ListTool::dedupe_ignore_case) << tool.command;
        EXPECT_EQ(r.compare.trim, tool.tool == ListTool::dedupe_trim) << tool.command;
    }
}

// Flags left out leave an option as the window starts, but for the suffix
// half of a numbering run, which its flags ask for.
TEST(Cli, OptionsStartAsTheWindowStarts)
{
    MemoryControls ui(control_table());
    const CliRequest r;
    EXPECT_EQ(r.number.numbering, ui.is_checked(ctl::prefix_check));
    EXPECT_FALSE(r.number.suffix);
    EXPECT_EQ(r.number.prefix, ui.get_content(ctl::prefix_text));
    EXPECT_EQ(r.number.symbol, ui.get_content(ctl::suffix_symbol));
    EXPECT_EQ(r.number.chars, ui.get_content(ctl::suffix_text));
    EXPECT_EQ(r.suffix.group, txt_to_int(ui.get_content(ctl::group_size)));
    EXPECT_EQ(r.suffix.symbol, ui.get_content(ctl::mark_symbol));
    EXPECT_EQ(r.suffix.mode == MarkMode::first, ui.is_checked(ctl::mark_first));
    EXPECT_EQ(r.extract.head, ui.get_content(ctl::extract_head));
    EXPECT_EQ(r.extract.tail, ui.get_content(ctl::extract_tail));
    EXPECT_EQ(r.generate.count, ui.get_content(ctl::block_size));
    EXPECT_EQ(r.generate.name, ui.get_content(ctl::file_name));
    EXPECT_EQ(r.generate.extension, ui.get_item(ctl::file_extension, ui.get_selection(ctl::file_extension)));
    EXPECT_EQ(r.generate.block, read_block_options(ui));
    for (std::size_t i = 0; i < std::size(file_extensions); ++i)
        EXPECT_EQ(Text(file_extensions[i]), ui.get_item(ctl::file_extension, static_cast<int>(i)));
    EXPECT_EQ(ui.get_item(ctl::file_extension, static_cast<int>(std::size(file_extensions))), Text());
}

struct Case {
    const char* args;
    std::string in;
    std::string out;
    int exit = cli_ok;
};

// Every operation's flags reach its controls; LF or CR LF lists, the file's
// last line end closing its last line.
TEST(Cli, FlagsGiveTheOperationsResults)
{
    const Case cases[] = {
        {"number", "a\nb\n", "1=a\n2=b\n"},
        {"number --prefix .", "a\r\nb\r\n", "1.a\r\n2.b\r\n"},
        {"number --prefix=", "a\nb", "1a\n2b\n"},
        {"number --suffix - --suffix-text x", "a\nb\n", "1=a-x\n2=b-x\n"},
        {"number --no-number --suffix-text x", "a\nb\n", "a=x\nb=x\n"},
        {"number --lf", "a\r\nb\r\n", "1=a\n2=b\n"},
        {"number --crlf", "a\nb\n", "1=a\r\n2=b\r\n"},
        {"suffix --group 2", "a\nb\nc\n\nd\ne\n", "a*1\nb\nc*2\nd\ne*3\n"},
        {"suffix --group 2 --last --mark #", "a\nb\nc\nd\ne\n", "a\nb#1\nc\nd#2\ne\n"},
        {"extract --head [ --tail ]", "x[a]y\nno\n[b]\n", "a\n\nb\n"},
        {"extract", "a,1\nb,2\n", "a\nb\n"},
        {"extract --tail :", "a,1\n", "", cli_refused},
        {"blank", "\na\n\n  \nb\n\n", "a\nb\n"},
        {"dedupe", "a\nb\na\nB\nb\n", "a\nb\nB\n"},
        {"dedupe --utf8", "账号\n帐号\n账号\n", "账号\n帐号\n"},
        {"dedupe", "\xd5\xcb\xba\xc5\n\xd5\xcb\xba\xc5\n", "\xd5\xcb\xba\xc5\n"},
        {"blank", "", ""},
        {"dedupe", "a\r\nb\na\n", "a\r\nb\r\n"},
        {"dedupe", "\n\na\rb\n", "\na\rb\n"},
        {"generate --count 2 --name ''", "a\n", "", cli_refused},
        {"split --count 2 --no-top", "a\nb\nc\n", "1=a\n2=b\n"},
        {"split --count 2 --top [x] --no-number", "a\r\n\r\nb\r\nc\r\n", "[x]\r\na\r\n"},
        {"split --count 3", "a\nb\n", "", cli_refused},
        {"dedupe --ignore-case", "a\nA\n\nb\n", "a\nb\n"},
        {"dedupe --trim --ignore-case --crlf", " a\nA \nb\n", " a\r\nb\r\n"},
        {"dupes", "a\nb\na\n", "a\n"},
        {"count --trim", "a\na \nb\n", "a\t2\nb\t1\n"},
        {"filter x", "ax\nb\nx\n", "ax\nx\n"},
        {"filter --invert --ignore-case X", "ax\nb\n", "b\n"},
        {"filter --regex ^a\\d", "a1\nab\n", "a1\n"},
        {"filter --regex (", "a\n", "", cli_refused},
        {"sort --natural --reverse", "a2\na10\na1\n", "a10\na2\na1\n"},
        {"shuffle --seed 42", "1\n2\n3\n4\n5\n6\n7\n8\n", "4\n2\n7\n3\n5\n1\n8\n6\n"},
        {"trim --utf8", "　账号 \n", "账号\n"},
    };
    for (const Case& c : cases) {
        StringStreams io;
        io.in = c.in;
        EXPECT_EQ(run_cli(args_of(c.args), io), c.exit) << c.args << "\n" << io.err;
        EXPECT_EQ(io.out, c.out) << c.args;
        if (!io.out.empty()) { // a console is told how to read the bytes
            const bool utf8 = std::string_view(c.args).ends_with("--utf8");
            EXPECT_EQ(io.out_encoding, utf8 ? console::Encoding::utf8 : console::Encoding::cp936) << c.args;
        }
    }
}

// Line ends are made CR LF in place, block by block from the end: a list
// of several blocks with every kind of line end keeps each line whole.
TEST(Cli, LongListsWithMixedLineEndsKeepEveryLine)
{
    StringStreams io;
    std::string want;
    for (int i = 0; i < 40000; ++i) {
        const std::string line = std::to_string(i) + (i % 3 == 0 ? "\xd5\xcb" : i % 5 == 0 ? "\rx" : "");
        io.in += line + (i % 2 == 0 ? "\n" : "\r\n");
        want += line + "\r\n";
    }
    EXPECT_EQ(run_cli(args_of("blank --crlf"), io), cli_ok) << io.err;
    EXPECT_TRUE(io.out == want) << io.out.size() << " bytes, not " << want.size();
}

// The operation's whole run over the lists read whole, its result written
// whole: what a streamed run must write.
std::string whole_run(const std::vector<Text>& args, const std::string& in)
{
    CliRequest r;
    EXPECT_EQ(parse_arguments(args, r), std::nullopt);
    if (r.inputs.empty())
        r.inputs.push_back(Text("-"));
    StringStreams io;
    io.in = in;
    std::vector<Text> lists;
    bool crlf_in = false;
    for (const Text& name : r.inputs) {
        ListInput list;
        if (read_list(name, InputEncoding{r.utf8, r.encoding, r.detect_encoding}, io, list))
            return "unreadable";
        crlf_in = lists.empty() ? list.crlf : crlf_in;
        lists.push_back(std::move(list.text));
    }
    CliRun run = r.op->run(r, lists, [](const Message&) {});
    if (!run.done)
        return "refused";
    write_list(io, std::move(run.result), std::nullopt, r.crlf.value_or(crlf_in), r.utf8);
    return io.out;
}

// In blocks of a few bytes, a streamed run writes what the whole run writes:
// line ends, Chinese characters, lone lead bytes and runs of blank lines at
// every place against a block's edge, lines longer than a block.
TEST(Cli, StreamedRunsWriteWhatWholeRunsWrite)
{
    test::TempDir dir("fenrow_cli_");
    write_all(dir.path() / "b.txt", "ab\r\n \xd5\xcb\nx=\n");
    const std::string b = text_to_utf8(path_text(dir.path() / "b.txt"));
    std::vector<std::string> inputs = {"", "\r\n", "\n\n\n", "a", "a\r\n\r\n  \r\n\r\nb\r\n", "\r\n\r\nx\r\n \r\n",
                                       "\xd5\r\n\r\n\xd5\xcb\r\n", "\xd5\r\n", "a\rb\r\n\r\r\n\r", "a\r\n \rb\r\n\t\r\r\nc\n",
                                       std::string(40, 'x') + "\n,y"};
    std::mt19937 random(28);
    // The last 40 without a CR, which a file's LF-only runs take.
    const std::string with_cr = "ab \t\r\n\r\n\n\xd5\xcb,=", lf_only = "ab \t\v\n\n\n\xd5\xcb,=";
    for (int i = 0; i < 120; ++i) {
        const std::string& bytes = i < 80 ? with_cr : lf_only;
        std::string in(random() % 60, ' ');
        for (char& c : in)
            c = bytes[random() % bytes.size()];
        inputs.push_back(in);
    }
    const std::string utf8_inputs[] = {"账号\n\n 帐\r\n号,x\n", "\xEF\xBB\xBF账,\r\n\r\n"};
    const char* const runs[] = {"number", "number --suffix - --suffix-text 账 --lf", "number --no-number --suffix = --crlf",
                                "number --no-number --suffix =", "number --prefix 账 --suffix -",
                                "number --no-number", "suffix --group 2", "suffix --group 3 --last --lf",
                                "extract --tail ,", "extract --head a --tail b --crlf", "blank --lf", "dedupe", "dedupe --crlf"};
    const std::size_t block = stream_block();
    for (const std::size_t tiny : {1, 3}) {
        stream_block() = tiny;
        // Standard input is held whole, a file read a block at a time.
        const auto check = [&](const std::string& line, const std::string& in, const std::string& more = "") {
            for (const std::string& from : {std::string(" -"), " " + text_to_utf8(path_text(dir.path() / "in.txt"))}) {
                StringStreams io;
                io.in = in;
                const std::vector<Text> args = args_of(line + from + more);
                const int exit = run_cli(args, io);
                const std::string want = whole_run(args, in);
                EXPECT_EQ(exit == cli_ok ? io.out : exit == cli_refused ? "refused" : "unreadable", want)
                    << line << from << " over [" << in << "] in blocks of " << tiny;
            }
        };
        for (const std::string& in : inputs) {
            write_all(dir.path() / "in.txt", in);
            for (const char* line : runs)
                check(line, in);
            check("pick", in, " " + b);
        }
        for (const std::string& in : utf8_inputs) {
            write_all(dir.path() / "in.txt", in);
            for (const char* line : runs)
                check(std::string(line) + " --utf8", in);
        }
    }
    stream_block() = block;
}

TEST(Cli, PickTakesTwoListsOneOfThemStandardInput)
{
    test::TempDir dir("fenrow_cli_");
    write_all(dir.path() / "b.txt", "A \r\nc\r\n");
    StringStreams io;
    io.in = "a\nb\nc\nb\n";
    EXPECT_EQ(run_cli({Text("pick"), Text("-"), path_text(dir.path() / "b.txt")}, io), cli_ok) << io.err;
    EXPECT_EQ(io.out, "b\nb\n");

    StringStreams one;
    EXPECT_EQ(run_cli({Text("pick"), Text("-")}, one), cli_usage);
    EXPECT_EQ(one.out, "");
}

TEST(Cli, TwoListToolsReadBothFiles)
{
    test::TempDir dir("fenrow_cli_");
    write_all(dir.path() / "b.txt", "c\r\nd\r\n\r\n");
    const Text b = path_text(dir.path() / "b.txt"), out = path_text(dir.path() / "out.txt");
    const std::pair<const char*, const char*> runs[] = {
        {"intersect", "c\n"}, {"union", "a\nc\nd\n"}, {"only", "a\nd\n"}};
    for (const auto& [op, want] : runs) {
        StringStreams io;
        io.in = "a\nc\na\n";
        EXPECT_EQ(run_cli({Text(op), Text("-"), b, Text("-o"), out}, io), cli_ok) << io.err;
        EXPECT_EQ(read_all(dir.path() / "out.txt"), want) << op;
    }
    StringStreams one;
    EXPECT_EQ(run_cli({Text("only"), b}, one), cli_usage);
    EXPECT_NE(one.err.find("only takes two lists"), std::string::npos) << one.err;
}

TEST(Cli, GenerateWritesBlocksIntoTheOutDirAndLeavesTheRest)
{
    test::TempDir dir("fenrow_cli_");
    StringStreams io;
    io.in = "a\nb\nc\nd\ne\n";
    const std::vector<Text> args = {Text("generate"), Text("--count"), Text("2"),     Text("--name"),
                                    Text("k"),        Text("--ext"),   Text(".ini"),  Text("--no-top"),
                                    Text("--prefix"), Text(":"),       Text("--out-dir"), path_text(dir.path())};
    EXPECT_EQ(run_cli(args, io), cli_ok) << io.err;
    EXPECT_EQ(io.out, "e\n");
    EXPECT_EQ(read_all(dir.path() / "k1.ini"), "1:a\r\n2:b");
    EXPECT_EQ(read_all(dir.path() / "k2.ini"), "1:c\r\n2:d");
    EXPECT_NE(io.err.find("生成完毕"), std::string::npos);

    StringStreams bad;
    EXPECT_EQ(run_cli({Text("generate"), Text("--ext"), Text(".doc")}, bad), cli_usage);
}

// Files in the way: refused unless told to replace them or to number on.
TEST(Cli, GenerateReplacesNoFileUnlessTold)
{
    test::TempDir dir("fenrow_cli_");
    write_all(dir.path() / "k1.txt", "old1");
    write_all(dir.path() / "k5.txt", "old5");
    const auto run = [&](const char* flag, StringStreams& io) {
        io.in = "a\nb\nc\n";
        std::vector<Text> args = {Text("generate"), Text("--count"), Text("1"),         Text("--name"),
                                  Text("k"),        Text("--no-top"), Text("--no-number"), Text("--out-dir"),
                                  path_text(dir.path())};
        if (*flag != 0)
            args.push_back(Text(flag));
        return run_cli(args, io);
    };
    StringStreams refused;
    EXPECT_EQ(run("", refused), cli_refused);
    EXPECT_NE(refused.err.find("k1.txt"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(read_all(dir.path() / "k1.txt"), "old1");
    EXPECT_FALSE(fs::exists(dir.path() / "k2.txt"));

    StringStreams going_on;
    EXPECT_EQ(run("--continue", going_on), cli_ok) << going_on.err;
    EXPECT_EQ(read_all(dir.path() / "k1.txt"), "old1");
    EXPECT_EQ(read_all(dir.path() / "k6.txt") + read_all(dir.path() / "k7.txt") + read_all(dir.path() / "k8.txt"), "abc");

    StringStreams overwriting;
    EXPECT_EQ(run("--overwrite", overwriting), cli_ok) << overwriting.err;
    EXPECT_EQ(read_all(dir.path() / "k1.txt") + read_all(dir.path() / "k2.txt") + read_all(dir.path() / "k3.txt"), "abc");
}

TEST(Cli, SplitWritesTheBlockThenTheListWithoutIt)
{
    test::TempDir dir("fenrow_cli_");
    write_all(dir.path() / "list.txt", "a\nb\nc\n");
    StringStreams io;
    const Text list = path_text(dir.path() / "list.txt");
    EXPECT_EQ(run_cli({Text("split"), Text("--count"), Text("2"), Text("--no-top"), list, Text("--rest"), list}, io), cli_ok)
        << io.err;
    EXPECT_EQ(io.out, "1=a\n2=b\n");
    EXPECT_EQ(read_all(dir.path() / "list.txt"), "c\n");
}

TEST(Cli, CommandLineMistakesAreUsageErrors)
{
    for (const char* line : {"", "reverse", "number --head x", "dedupe --utf8=1", "number --prefix", "dedupe a b",
                             "filter", "intersect -", "union a b c", "sort --trim", "shuffle --seed x", "shuffle --seed -1",
                             "dedupe --encoding latin1", "dedupe --encoding"}) {
        StringStreams io;
        EXPECT_EQ(run_cli(args_of(line), io), cli_usage) << line;
        EXPECT_EQ(io.out, "") << line;
        EXPECT_NE(io.err.find("fenrow-cli:"), std::string::npos) << line;
    }
    StringStreams help;
    EXPECT_EQ(run_cli(args_of("dedupe --help"), help), cli_ok);
    EXPECT_NE(help.out.find("Usage"), std::string::npos);
    EXPECT_NE(help.out.find(console::for_terminal("用法"_t)), std::string::npos);
}

// --encoding reads the inputs in the encoding named, or the one the bytes
// show with auto; without it a list is GBK as it stands, as before.
TEST(Cli, EncodingReadsTheInputsAsNamedOrAsDetected)
{
    test::TempDir dir("fenrow_cli_");
    const std::string big5 = "\xB1\x69\xB0\xB6\r\n\xB3\xAF\xA4\x6A\xA4\xE5\r\n\xB1\x69\xB0\xB6\r\n"; // 張偉 陳大文 張偉
    const std::string utf16 = std::string("a\0\r\0\n\0b\0\r\0\n\0a\0\r\0\n\0", 18);
    write_all(dir.path() / "big5.txt", big5);
    write_all(dir.path() / "utf16.txt", utf16);
    const auto dedupe = [&](const std::string& flags, const char* file) {
        StringStreams io;
        std::vector<Text> args = args_of("dedupe --utf8 " + flags);
        args.push_back(path_text(dir.path() / file));
        EXPECT_EQ(run_cli(args, io), cli_ok) << flags << " " << file << io.err;
        return io.out;
    };
    EXPECT_EQ(dedupe("--encoding big5", "big5.txt"), "張偉\r\n陳大文\r\n");
    EXPECT_EQ(dedupe("--encoding auto", "big5.txt"), "張偉\r\n陳大文\r\n");
    EXPECT_EQ(dedupe("--encoding UTF-16LE", "utf16.txt"), "a\r\nb\r\n");
    EXPECT_EQ(dedupe("--encoding auto", "utf16.txt"), "a\r\nb\r\n");
    // As GBK, the Big5 bytes are other characters, each kept.
    EXPECT_EQ(dedupe("--encoding gbk", "big5.txt"), text_to_utf8(Text("\xB1\x69\xB0\xB6\r\n\xB3\xAF\xA4\x6A\xA4\xE5\r\n")));
    StringStreams io;
    EXPECT_EQ(run_cli({Text("dedupe"), path_text(dir.path() / "utf16.txt")}, io), cli_file); // zero bytes, as before
}

// A bad input or an unwritable output: a message naming it, exit 3, and an
// output file left exactly as it was.
TEST(Cli, BadInputAndOutputLeaveTheOutputAlone)
{
    test::TempDir dir("fenrow_cli_");
    const fs::path out = dir.path() / "out.txt";
    write_all(out, "old\n");
    write_all(dir.path() / "zero.txt", std::string("a\nb\0c\n", 6));
    write_all(dir.path() / "latin1.txt", "caf\xe9\n");
    write_all(dir.path() / "good.txt", "a\n");
    fs::create_directory(dir.path() / "folder");

    struct Bad {
        std::vector<Text> args;
        const char* message;
        int exit;
        fs::path target;
    };
    const Text o = path_text(out);
    const Bad bad[] = {
        {{Text("dedupe"), path_text(dir.path() / "missing.txt"), Text("-o"), o}, "missing.txt", cli_file, out},
        {{Text("dedupe"), path_text(dir.path() / "folder"), Text("-o"), o}, "folder", cli_file, out},
        {{Text("dedupe"), path_text(dir.path() / "zero.txt"), Text("-o"), o}, "zero byte", cli_file, out},
        {{Text("dedupe"), Text("--utf8"), path_text(dir.path() / "latin1.txt"), Text("-o"), o}, "UTF-8", cli_file, out},
        {{Text("extract"), Text("--head"), Text("#"), path_text(dir.path() / "good.txt"), Text("-o"), o}, "[", cli_refused, out},
        {{Text("dedupe"), path_text(dir.path() / "good.txt"), Text("-o"), path_text(dir.path() / "no" / "out.txt")},
         "out.txt", cli_file, dir.path() / "no" / "out.txt"},
        {{Text("dedupe"), path_text(dir.path() / "good.txt"), Text("-o"), path_text(dir.path() / "folder")},
         "folder", cli_file, dir.path() / "folder"},
    };
    for (const Bad& b : bad) {
        StringStreams io;
        EXPECT_EQ(run_cli(b.args, io), b.exit) << text_to_utf8(b.args[1]);
        EXPECT_NE(io.err.find(b.message), std::string::npos) << io.err;
        EXPECT_EQ(io.out, "");
        EXPECT_EQ(read_all(out), "old\n");
        EXPECT_FALSE(fs::is_regular_file(b.target) && b.target != out);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 5) << "no temporary file left";

    StringStreams io;
    EXPECT_EQ(run_cli({Text("dedupe"), path_text(dir.path() / "good.txt"), Text("-o"), o}, io), cli_ok) << io.err;
    EXPECT_EQ(read_all(out), "a\n");

    StringStreams closed;
    closed.in = "a\n";
    closed.output_fails = true;
    EXPECT_EQ(run_cli({Text("dedupe")}, closed), cli_file);
    EXPECT_NE(closed.err.find("standard output"), std::string::npos);
}

} // namespace
} // namespace fenrow
