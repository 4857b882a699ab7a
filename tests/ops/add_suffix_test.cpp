#include "ops/add_suffix.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "ops/handlers.h"
#include "ops/jobs.h"
#include "runtime/codepage.h"
#include "runtime/work_pool.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <random>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace fenrow;

namespace {

const ControlName source = ctl::left_box, result = ctl::right_box, size_text = ctl::group_size,
                  symbol_text = ctl::mark_symbol, first_mode = ctl::mark_first, last_mode = ctl::mark_last;

// Keeps every text written into the result box.
class Recording : public MemoryControls {
public:
    Recording() : MemoryControls(control_table()) {}
    void set_content(ControlName edit, const Text& t) override
    {
        if (edit == result)
            writes.push_back(t);
        MemoryControls::set_content(edit, t);
    }
    void give_content(ControlName edit, Text&& t) override
    {
        if (edit == result)
            writes.push_back(t);
        MemoryControls::give_content(edit, std::move(t));
    }
    std::vector<Text> writes;
};

Text add_suffixes(MemoryControls& ui)
{
    start_add_suffix(ui);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (box_job_running(ui, result)) {
        if (std::chrono::steady_clock::now() > give_up) {
            ADD_FAILURE() << "the job never ended";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return ui.get_content(result);
}

TEST(AddSuffix, MarksForEveryModeAndGroupSize)
{
    const Text abc = "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng";
    const struct {
        bool first;
        Text size, symbol, source, expected;
    } cases[] = {
        {true, "3", "*", abc, "a*1\r\nb\r\nc\r\nd*2\r\ne\r\nf\r\ng*3"},
        {false, "3", "*", abc, "a\r\nb\r\nc*1\r\nd\r\ne\r\nf*2\r\ng"},
        {true, "6", "*", abc, "a*1\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng*2"},
        {false, "6", "*", abc, "a\r\nb\r\nc\r\nd\r\ne\r\nf*1\r\ng"},
        {true, "1", "*", abc, "a*1\r\nb*2\r\nc*3\r\nd*4\r\ne*5\r\nf*6\r\ng*7"},
        {false, "1", "*", abc, "a*1\r\nb*2\r\nc*3\r\nd*4\r\ne*5\r\nf*6\r\ng*7"},
        {true, "0", "*", abc, "a*1\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng"},
        {true, "", "*", abc, "a*1\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng"},
        {true, "abc", "*", abc, "a*1\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng"},
        {true, "-3", "*", abc, "a*1\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng"},
        {false, "0", "*", abc, abc},
        {false, "", "*", abc, abc},
        {false, "abc", "*", abc, abc},
        {false, "-3", "*", abc, "a\r\nb\r\nc*-1\r\nd\r\ne\r\nf*-2\r\ng"},
        {true, "10", "*", abc, "a*1\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng"},
        {false, "10", "*", abc, abc},
        // Read like the number: full-width digits, leading spaces, trailing text.
        {true, "６"_t, "*", abc, "a*1\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng*2"},
        {false, "　３个"_t, "*", abc, "a\r\nb\r\nc*1\r\nd\r\ne\r\nf*2\r\ng"},
        {true, "3", "", abc, "a1\r\nb\r\nc\r\nd2\r\ne\r\nf\r\ng3"},
        {true, "2", "【第"_t, "中\r\n文\r\n字"_t, "中【第1\r\n文\r\n字【第2"_t},
        // Blank lines between accounts do not count; the result never ends in CR LF.
        {true, "3", "*", "a\r\n\r\nb\r\n \r\nc\r\nd\r\n", "a*1\r\nb\r\nc\r\nd*2"},
        {false, "2", "*", "\r\na\r\nb\r\n\r\n\r\nc\r\nd\r\n\r\n", "a\r\nb*1\r\nc\r\nd*2"},
        {false, "2", "*", "a\r\nb\r\n", "a\r\nb*1"},
        {true, "3", "*", "", ""},
        {true, "3", "*", "\r\n\r\n\r\n", ""},
        {true, "3", "*", " \r\n\t\r\n", ""},
        // Blank lines at the top, or of spaces at either end, are no accounts either.
        {true, "2", "*", "\r\n\r\n\r\na\r\nb\r\nc", "a*1\r\nb\r\nc*2"},
        {false, "2", "*", "  \r\na\r\nb\r\n\t", "a\r\nb*1"},
        {false, "3", "*", "\r\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.size) + (c.first ? " first " : " last ") + testing::PrintToString(c.source));
        Recording ui;
        ui.set_checked(c.first ? first_mode : last_mode, true);
        ui.set_content(size_text, c.size);
        ui.set_content(symbol_text, c.symbol);
        ui.set_content(source, c.source);
        ui.set_content(result, "old");
        ui.writes.clear();
        EXPECT_EQ(add_suffixes(ui), c.expected);
        EXPECT_EQ(ui.get_content(source), c.source);
        // The wait notice, then the whole result in one write.
        ASSERT_EQ(ui.writes.size(), 2u);
        EXPECT_EQ(ui.writes[0], "正在添加，请稍等……\r\n后缀添加完毕才会显示！"_t);
    }
}

TEST(AddSuffix, NeitherModeSelectedGivesAnEmptyBox)
{
    MemoryControls ui(control_table());
    ui.set_checked(first_mode, false);
    ui.set_content(source, "a\r\nb");
    EXPECT_EQ(add_suffixes(ui), Text());
}

// Group numbers go on across batches; an edit of the group size during the
// run (made before the worker's second read) counts from the next batch.
class EditsSizeDuringTheRun : public MemoryControls {
public:
    explicit EditsSizeDuringTheRun(Text later) : MemoryControls(control_table()), later_(std::move(later)) {}
    Text get_content(ControlName c) override
    {
        if (c == size_text && ++reads_ == 2 && !later_.empty())
            set_content(size_text, later_);
        return MemoryControls::get_content(c);
    }

private:
    Text later_;
    int reads_ = 0;
};

TEST(AddSuffix, LongListsAndEditsDuringTheRun)
{
    const int lines = 3 * batch_lines + 5;
    std::string list;
    for (int i = 1; i <= lines; ++i)
        list += "x" + std::to_string(i) + "\r\n";
    const struct {
        bool first;
        const char* later; // the group size from the second batch on; empty: unchanged
        int n_before, n_after;
    } cases[] = {{true, "", 7, 7}, {false, "", 7, 7}, {false, "5", 7, 5}};
    for (const auto& c : cases) {
        EditsSizeDuringTheRun ui(c.later);
        ui.set_checked(c.first ? first_mode : last_mode, true);
        ui.set_content(size_text, "7");
        ui.set_content(source, Text(list));
        const TextArray out = txt_split(add_suffixes(ui), Text("\r\n"));
        ASSERT_EQ(array_count(out), lines);
        for (int i = 1; i <= lines; ++i) {
            const int n = i <= batch_lines ? c.n_before : c.n_after;
            std::string expected = "x" + std::to_string(i);
            if (c.first && (i - 1) % n == 0)
                expected += "*" + std::to_string((i - 1) / n + 1);
            if (!c.first && i % n == 0)
                expected += "*" + std::to_string(i / n);
            ASSERT_EQ(array_at(out, i).str(), expected) << i;
        }
    }
}

TEST(AddSuffix, OnThePoolTheSameBytes)
{
    // Blank runs of every kind, lone CR and LF, lead bytes before line breaks:
    // whatever the cleaning joins must come out as on one thread.
    const char* const pieces[] = {"acc9", "\xd6\xd0", "\xd6", " ", "\t", "\r", "\n", "\r\n", "\r\n", "\r\n", "\r\n \r\n"};
    std::mt19937 rng(8);
    std::string list = "\r\n";
    while (list.size() < (3u << 20))
        list += pieces[rng() % std::size(pieces)];
    WorkPool pool(4);
    const MarkOptions settings[] = {{7, "*", MarkMode::first}, {5, "#", MarkMode::last}, {1, "", MarkMode::first},
                                    {0, "*", MarkMode::first}, {-3, "*", MarkMode::last}};
    for (const MarkOptions& o : settings)
        ASSERT_EQ(mark_groups(Text(list), o, {}, &pool), mark_groups(Text(list), o)) << o.group;
}

} // namespace
