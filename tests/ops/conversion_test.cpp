#include "ops/conversion.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "ops/add_suffix.h"
#include "ops/blank_lines.h"
#include "ops/handlers.h"
#include "ops/jobs.h"
#include "runtime/codepage.h"
#include "runtime/work_pool.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <random>
#include <string>
#include <thread>

using namespace fenrow;

namespace {

const ControlName source = ctl::left_box, result = ctl::right_box, numbering_box = ctl::prefix_check,
                  suffix_box = ctl::suffix_check, prefix_text = ctl::prefix_text, symbol_text = ctl::suffix_symbol,
                  chars_text = ctl::suffix_text;

// Waits, as the user would, until the worker has written its result.
void wait_for_job(Controls& ui)
{
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (box_job_running(ui, result)) {
        ASSERT_LT(std::chrono::steady_clock::now(), give_up) << "the job never ended";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

Text convert(MemoryControls& ui)
{
    start_conversion(ui);
    wait_for_job(ui);
    return ui.get_content(result);
}

struct Options {
    bool numbering = true, suffix = true;
    Text prefix = "=", symbol = "=", chars = "";
};

void apply(MemoryControls& ui, const Options& o)
{
    ui.set_checked(numbering_box, o.numbering);
    ui.set_checked(suffix_box, o.suffix);
    ui.set_content(prefix_text, o.prefix);
    ui.set_content(symbol_text, o.symbol);
    ui.set_content(chars_text, o.chars);
}

TEST(Conversion, ResultLinesForEverySetting)
{
    const Options both, numbering{true, false, "=", "=", ""}, suffix{false, true, "=", "=", "x"}, neither{false, false};
    const struct {
        Options options;
        Text source, expected;
    } cases[] = {
        {both, "aaa\r\nbbb\r\n", "1=aaa=\r\n2=bbb="},
        {both, "aaa\r\n\r\nbbb", "1=aaa=\r\n2==\r\n3=bbb="},
        {both, "aaa\r\nbbb\r\n\r\n", "1=aaa=\r\n2=bbb=\r\n3=="},
        {{true, false, "----"}, "aaa\r\nbbb", "1----aaa\r\n2----bbb"},
        {{true, false, ""}, "aaa\r\nbbb", "1aaa\r\n2bbb"},
        {suffix, "aaa\r\nbbb", "aaa=x\r\nbbb=x"},
        {{false, true, "=", "", ""}, "aaa\r\n\r\nbbb", "aaa\r\nbbb"},
        {numbering, "aaa\r\nbbb\r\n\r\n", "1=aaa\r\n2=bbb\r\n3="},
        {numbering, "\r\naaa", "1=\r\n2=aaa"},
        // Whitespace-only lines go when they stand between others, and only then.
        {{false, true, "=", "", ""}, "aaa\r\n \t \r\nbbb", "aaa\r\nbbb"},
        {{false, true, "=", "", ""}, "aaa\r\n  ", "aaa\r\n  "},
        {{false, true, "=", "", ""}, "\r\n\r\naaa", "\r\naaa"}, // one CR LF cut off each end
        {{false, true, "=", "", ""}, "aaa\r\nbbb\r\n\r\n", "aaa\r\nbbb\r\n"},
        {{false, true, "=", "", ""}, "\r\n", ""},
        {neither, "aaa\r\nbbb", ""},
        {both, "", ""},
        {numbering, "", ""},
        {suffix, "", ""},
        {neither, "", ""},
        // Bytes are copied as they are: Chinese, lone CR and LF, a trailing lead byte.
        {{true, true, "、"_t, "----"_t, "账号"_t}, "中文\r\nb\rc\nd"_t, "1、中文----账号\r\n2、b\rc\nd----账号"_t},
        {numbering, "x\xd6", "1=x\xd6"},
        {{true, false, "=", "", ""}, "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10",
         "1=1\r\n2=2\r\n3=3\r\n4=4\r\n5=5\r\n6=6\r\n7=7\r\n8=8\r\n9=9\r\n10=10"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.source));
        MemoryControls ui(control_table());
        apply(ui, c.options);
        ui.set_content(source, c.source);
        ui.set_content(result, "old result");
        EXPECT_EQ(convert(ui), c.expected);
        EXPECT_EQ(ui.get_content(source), c.source);
    }
}

// The result with every option read once: what batching must not change.
Text expected_result(const Text& list, const Options& o)
{
    std::string s;
    int i = 0;
    for (const Text& line : txt_split(list, Text("\r\n"))) {
        if (o.numbering)
            s += std::to_string(++i) + o.prefix.str();
        s += line.str();
        if (o.suffix)
            s += o.symbol.str() + o.chars.str();
        s += "\r\n";
    }
    return remove_blank_lines(Text(std::move(s)));
}

class CountsAppends : public MemoryControls {
public:
    CountsAppends() : MemoryControls(control_table()) {}
    void append_text(ControlName edit, const Text& t) override
    {
        ++appends;
        MemoryControls::append_text(edit, t);
    }
    std::atomic<int> appends{0};
};

TEST(Conversion, LongListsGiveTheSameLinesAsShortOnes)
{
    const auto list_of = [](int lines, int width) {
        std::string s;
        for (int i = 0; i < lines; ++i)
            s += "acc" + std::string(static_cast<std::size_t>(width), static_cast<char>('a' + i % 26)) + "\r\n";
        return Text(std::move(s));
    };
    const struct {
        Text list;
        bool several_batches;
    } lists[] = {
        {list_of(batch_lines, 5), false},
        {list_of(batch_lines + 1, 5), true},
        {list_of(2 * batch_lines + 7, 12), true},
        {list_of(3, batch_bytes / 2), true}, // two lines fill a batch
    };
    const Options settings[] = {{true, false, "-"}, {false, true, "=", "#", "x"}, {true, true, "=", "=", "y"}};
    for (const auto& l : lists) {
        for (const Options& o : settings) {
            CountsAppends ui;
            apply(ui, o);
            ui.set_content(source, l.list);
            ASSERT_EQ(convert(ui), expected_result(l.list, o)) << l.list.size() << " bytes, " << o.numbering << o.suffix;
            // One append per batch: progress shows.
            EXPECT_EQ(ui.appends > 1, l.several_batches) << ui.appends;
        }
    }
}

TEST(Conversion, OnThePoolTheSameBytes)
{
    // Several megabytes, so that the list is cut into chunks and rounds: blank
    // and odd lines, lead bytes before a CR LF, a line break at the front.
    const char* const pieces[] = {"account123456789", "account123456789", "\xd6\xd0", "\xd6", " ", "\r", "\n",
                                  "\r\n", "\r\n", "\r\n \t\r\n"};
    std::mt19937 rng(11);
    std::string list = "\r\n";
    while (list.size() < (8u << 20) + 100) // two rounds
        list += pieces[rng() % std::size(pieces)];
    list += "\xd6"; // a last line that ends inside a character
    const auto shared = std::make_shared<const Text>(Text(list));
    WorkPool pool(3);
    // A prefix ending in CR before a line that starts with LF makes a line
    // break: the numbered text is cut anew where the list is not.
    const Options settings[] = {{true, false, "-"}, {false, true, "=", " ", ""}, {true, true, "\r", "=", "y"},
                                {true, true, "\xd6", "=", "y"}, {true, true, "\xd6\xd0", "=", "y"}};
    Text serial;
    for (const Options& o : settings) {
        const ConversionOptions c{o.numbering, o.suffix, o.prefix, o.symbol, o.chars};
        serial = convert(shared, c);
        ASSERT_EQ(convert(shared, c, &pool), serial) << o.numbering << o.suffix;
    }
    // Through the window, whose pool it is: the same bytes, appended in rounds.
    CountsAppends ui;
    apply(ui, settings[4]);
    ui.set_content(source, *shared);
    ASSERT_EQ(convert(ui), serial);
    EXPECT_GT(ui.appends, 1);

    // The prefix gains a CR from the second round on: the lines made go on
    // with those numbered whole and cut anew, as on one thread.
    struct PrefixGainsACr : ConversionOutput {
        PrefixGainsACr(int lines, std::size_t first_plain) : ConversionOutput(lines), plain(first_plain) {}
        void append(Text&& t) override { text += t.str(); }
        void restart() override { text.clear(); }
        void reread_prefix(Text& p) override { p = Text(++reads <= plain ? "=" : "\r"); }
        std::size_t plain, reads = 0;
        std::string text;
    };
    std::size_t first_round = 0;
    for_each_crlf_piece(crlf_chunks(list, 2).front(), [&](std::string_view) { ++first_round; });
    PrefixGainsACr on_pool(batch_lines, 1), per_line(1, first_round);
    convert_lines(shared, {}, on_pool, &pool);
    convert_lines(shared, {}, per_line);
    ASSERT_EQ(on_pool.text, per_line.text);
}

// Stands for a user who edits an option box while the worker runs: the edit
// is made just before the worker's second read of that box.
class EditsDuringTheRun : public MemoryControls {
public:
    EditsDuringTheRun(ControlName box, Text later) : MemoryControls(control_table()), box_(box), later_(std::move(later)) {}
    Text get_content(ControlName c) override
    {
        if (c == box_ && ++reads_ == 2)
            set_content(box_, later_);
        return MemoryControls::get_content(c);
    }

private:
    ControlName box_;
    Text later_;
    int reads_ = 0;
};

TEST(Conversion, OptionsEditedDuringTheRunApplyFromTheNextBatch)
{
    const int lines = 2 * batch_lines + 3;
    std::string list;
    for (int i = 1; i <= lines; ++i)
        list += "a\r\n";
    // How the last line of the first batch and the lines from the second on end.
    const struct {
        bool numbering, suffix;
        ControlName edited;
        const char *before, *after;
    } cases[] = {
        {true, false, prefix_text, "=a", "#a"},
        {false, true, symbol_text, "a=", "a#"},
        {true, true, prefix_text, "=a=", "#a="},
        {true, true, symbol_text, "=a=", "=a#"},
    };
    for (const auto& c : cases) {
        EditsDuringTheRun ui(c.edited, "#");
        ui.set_checked(numbering_box, c.numbering);
        ui.set_checked(suffix_box, c.suffix);
        ui.set_content(source, Text(list));
        const TextArray out = txt_split(convert(ui), Text("\r\n"));
        ASSERT_EQ(array_count(out), lines);
        for (int i : {1, batch_lines})
            EXPECT_TRUE(array_at(out, i).str().ends_with(c.before)) << i << ": " << array_at(out, i).str();
        for (int i : {batch_lines + 1, lines})
            EXPECT_TRUE(array_at(out, i).str().ends_with(c.after)) << i << ": " << array_at(out, i).str();
    }
}

// Holds a worker at its first append until released.
class HeldAtFirstAppend : public MemoryControls {
public:
    HeldAtFirstAppend() : MemoryControls(control_table()) {}
    void append_text(ControlName edit, const Text& t) override
    {
        {
            std::unique_lock lock(gate_);
            held_ = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return released_; });
        }
        MemoryControls::append_text(edit, t);
    }
    void wait_until_held()
    {
        std::unique_lock lock(gate_);
        changed_.wait(lock, [&] { return held_; });
    }
    void release()
    {
        std::lock_guard lock(gate_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex gate_;
    std::condition_variable changed_;
    bool held_ = false, released_ = false;
};

TEST(Conversion, ASecondStartWhileTheFirstRunsIsRefused)
{
    HeldAtFirstAppend ui;
    ui.set_checked(suffix_box, false);
    ui.set_content(source, "aaa\r\nbbb");
    start_conversion(ui);
    ui.wait_until_held();
    EXPECT_TRUE(box_job_running(ui, result));

    // Neither job touches the box the running one writes; the hint pane says why.
    start_conversion(ui);
    start_add_suffix(ui);
    EXPECT_EQ(ui.get_content(result), Text());
    EXPECT_EQ(ui.content_changed_count(result), 1);
    EXPECT_EQ(ui.pane_text(ctl::status_bar, hint_pane), job_running_note());

    // The same button of another window is not held up.
    MemoryControls other(control_table());
    other.set_content(source, "ccc");
    EXPECT_EQ(convert(other), Text("1=ccc="));

    ui.release();
    wait_for_job(ui);
    EXPECT_EQ(ui.get_content(result), Text("1=aaa\r\n2=bbb"));
    // Once it has ended the button works again.
    ui.set_checked(numbering_box, false);
    ui.set_checked(suffix_box, true);
    EXPECT_EQ(convert(ui), Text("aaa=\r\nbbb="));
}

} // namespace
