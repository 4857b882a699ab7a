// Generate text files: a list's accounts cut into blocks of N, each block
// written to a file of its own (账号1.txt, 账号2.txt, …), the accounts of an
// incomplete last block left in the list.
#pragma once

#include "ops/outcome.h"
#include "ops/split.h"
#include "runtime/codepage.h"
#include "runtime/text.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace fenrow {

// The account lines of a text as the operations count them: a blank line
// between lines counts, a CR LF at the very end adds none.
int count_lines(const Text& text);

// The options of the window's 分组框3, as it starts.
struct GenerateOptions {
    Text count = "6";       // accounts per file, as typed: empty refuses the run
    Text name = "账号"_t;   // the files' base name: empty refuses the run
    Text extension = ".txt";
    BlockOptions block;     // how each block is built; its count follows `count`
    // Where the files go; none: output_dir(), named in the closing message
    // when it is not the program's directory.
    std::optional<Text> directory;
    // The number of the first file: after the highest one there when the user
    // chose to go on from it.
    int first_number = 1;
    friend bool operator==(const GenerateOptions&, const GenerateOptions&) = default;
};

// The extensions a file can have.
inline constexpr const char* file_extensions[] = {".txt", ".ini"};

// What the run asks of its caller between files; each may be left empty.
struct GenerateHooks {
    // Before every file: its name and extension afresh.
    std::function<void(GenerateOptions&)> before_file;
    // Before every block is taken: how it is built, afresh.
    std::function<void(BlockOptions&)> before_block;
    // A message to show before the run goes on, with the list as it stands.
    std::function<void(const Message&, const AccountList&)> tell;
    // How far a long run is, every generate_progress_interval.
    std::function<void(int written, int files)> progress;
};

// How often a long run tells its progress.
extern std::chrono::milliseconds generate_progress_interval;

struct Generation : Outcome {
    AccountList list;   // the accounts not written to files
    int written = 0;    // files
    bool stopped = false; // by the user, between two files
};

// What is in the way of a run, as it would start: the files of its first
// names that exist already (in the order it would write them), and the
// highest number among the directory's files named base, number, extension.
struct ExistingFiles {
    std::vector<Text> names;
    int highest = 0;
};
ExistingFiles existing_files(const Text& list, const GenerateOptions& options);
// The window's question about them: 是 replaces, 否 goes on after the
// highest number, 取消 writes nothing.
Text replace_question(const ExistingFiles& existing);

// A block leaves the list only once its file is written; the first file that
// cannot be written (or whose name would leave the directory) ends the run
// with a message naming it and why. A list that runs short of a block is
// told of, and its file is still written. Done when every file was written
// with a whole block; the message is the closing one ("生成完毕！") or why the
// run stopped.
Generation generate_files(std::shared_ptr<const Text> list, GenerateOptions options, const GenerateHooks& hooks = {});

} // namespace fenrow
