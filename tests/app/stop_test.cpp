// Every operation stopped at each of its checkpoints: stopped, it leaves both
// boxes as they were; not stopped in time, it ends as a run left alone.
#include "app/control_table.h"
#include "app/memory_window.h"
#include "app/operation_watch.h"
#include "ops/handlers.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/print.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <memory>
#include <string>

using namespace fenrow;
namespace fs = std::filesystem;

namespace {

// Accounts with repeats, case twins, blanks and Chinese, as the operations meet them.
Text sample_list()
{
    std::string s;
    for (int i = 0; i < 60; ++i) {
        if (i % 13 == 5)
            s += "\r\n";
        s += (i % 3 == 0 ? "User" : "user") + std::to_string(i % 17) + (i % 7 == 0 ? "\xD5\xCB" : "") + ",pw" +
             std::to_string(i % 5) + "\r\n";
    }
    return Text(s + "last,pw");
}

struct Boxes {
    Text left, right;
    friend bool operator==(const Boxes&, const Boxes&) = default;
};
void PrintTo(const Boxes& b, std::ostream* os) { *os << b.left.str() << " | " << b.right.str(); }

Boxes boxes(MemoryControls& w) { return {w.get_content(ctl::left_box), w.get_content(ctl::right_box)}; }

struct Operation {
    std::string what;
    Text label;
    std::function<void(MemoryControls&)> start;
    std::function<void(bool stopped)> check = {}; // what it leaves beyond the boxes
};

int tool_id(ListTool t) { return BoxMenuItem::first_tool_id + static_cast<int>(t); }

class StopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("fenrow-stop-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        override_program_dir(text_from_utf8(dir_.string().c_str()));
    }
    void TearDown() override
    {
        override_program_dir(std::nullopt);
        fs::remove_all(dir_);
    }
    std::unique_ptr<MemoryControls> window(const Boxes& start)
    {
        for (const auto& e : fs::directory_iterator(dir_))
            fs::remove_all(e.path());
        auto w = std::make_unique<MemoryControls>(control_table());
        w->set_content(ctl::left_box, start.left);
        w->set_content(ctl::right_box, start.right);
        return w;
    }
    int files_written() { return static_cast<int>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator())); }

    fs::path dir_;
    FakeDesktop desktop_; // every message answered
};

TEST_F(StopTest, StoppedAtAnyCheckpointAnOperationChangesNothing)
{
    const Boxes start{sample_list(), "user3,pw3\r\nother,pw\r\n"_t};
    std::vector<Operation> ops;
    for (const ControlName b : {ctl::extract_button, ctl::convert_button, ctl::mark_button, ctl::pick_button,
                                ctl::dedupe_button, ctl::blank_button}) {
        ops.push_back({std::string(b.utf8), operation_label(*find_control(b)), [b](MemoryControls& w) {
                           w.raise(b, Event::clicked);
                           w.wait_for_box_jobs();
                       }});
    }
    ops.push_back({"paste", "粘贴"_t, [](MemoryControls& w) {
                       w.set_clipboard("pasted\r\nlines"_t);
                       w.raise(ctl::paste_left, Event::clicked);
                   }});
    // A file opened and saved: the box's menu items and a drop come here.
    const fs::path file = dir_ / "list.txt";
    const Text file_name = text_from_utf8(file.string());
    const auto put = [file](const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; };
    ops.push_back({"open", "打开文本"_t, [=](MemoryControls& w) {
                       put("opened\nlines\r\nlast");
                       w.box(ctl::left_box).open_file(file_name);
                   }});
    ops.push_back({"save", "另存为"_t,
                   [=](MemoryControls& w) {
                       put("old");
                       w.box(ctl::left_box).save_file(file_name, SaveEncoding::utf8);
                   },
                   [=, this](bool stopped) {
                       std::ifstream in(file, std::ios::binary);
                       const std::string bytes{std::istreambuf_iterator<char>(in), {}};
                       EXPECT_EQ(bytes, stopped ? "old" : text_to_utf8(start.left));
                       EXPECT_EQ(files_written(), 1); // no temporary file left behind
                   }});
    for (const ListToolEntry& e : list_tools()) {
        const FilterOptions f{.text = "USER1"_t, .ignore_case = true};
        if (e.tool == ListTool::shuffle)
            continue; // its order is drawn afresh every run
        ops.push_back({e.command, list_tool_title(e.tool, e.asks_text ? f.text : Text()), [e, f](MemoryControls& w) {
                           w.answer_filter(f);
                           w.choose(ctl::left_box, tool_id(e.tool));
                       }});
    }
    for (const Operation& op : ops) {
        auto full = window(start);
        op.start(*full);
        const Boxes done = boxes(*full);
        const int serves = full->serves();
        EXPECT_GT(serves, 0) << op.what;
        int stopped = 0;
        for (int k = 1; k <= serves; ++k) {
            auto w = window(start);
            w->stop_at_serve(k);
            op.start(*w);
            const bool was_stopped = w->pane_text(ctl::status_bar, hint_pane) == stopped_note(op.label);
            if (was_stopped) {
                ++stopped;
                EXPECT_EQ(boxes(*w), start) << op.what << " stopped at " << k;
            } else {
                EXPECT_EQ(boxes(*w), done) << op.what << " went on past " << k;
            }
            if (op.check)
                op.check(was_stopped);
        }
        EXPECT_GT(stopped, 0) << op.what;
    }
}

// Stopped, generate keeps the files it wrote and the accounts it did not.
TEST_F(StopTest, StoppedGenerateKeepsItsFilesAndTheAccountsNotWritten)
{
    Text list;
    for (int i = 0; i < 40; ++i)
        list += "acc"_t + txt_from_int(i) + (i < 39 ? "\r\n"_t : Text());
    auto full = window({list, {}});
    full->raise(ctl::generate_button, Event::clicked);
    const int serves = full->serves();
    ASSERT_EQ(files_written(), 6);
    for (int k = 1; k <= serves; ++k) {
        auto w = window({list, {}});
        w->stop_at_serve(k);
        w->raise(ctl::generate_button, Event::clicked);
        const int files = files_written();
        EXPECT_EQ(files, std::min(k, 6)) << k;
        Text rest;
        for (int i = files * 6; i < 40; ++i)
            rest += "acc"_t + txt_from_int(i) + (i < 39 ? "\r\n"_t : Text());
        EXPECT_EQ(w->get_content(ctl::left_box), rest) << k;
        if (k < 6) {
            EXPECT_EQ(w->pane_text(ctl::status_bar, hint_pane),
                      "生成文本已停止：已生成 "_t + txt_from_int(files) + " 个文本，未写的账号留在左边。"_t);
        }
    }
}

} // namespace
