// What every window does, checked on each: the one in memory, the Qt window
// and the Windows window. A driver gives the window and works it as a user
// would:
//   TableWindow& window();
//   void pump();                        // lets waiting events and calls run
//   void resize_client(int w, int h);
//   bool minimise();                    // false where the platform cannot here
//   void restore();
//   Rect placed(ControlName c);         // where the toolkit shows the control
//   Text shown(ControlName c);          // the caption the control shows
//   Text pane(int i);                   // a status pane's text
//   bool caption_fits(ControlName c);   // the caption is drawn whole
//   void click(ControlName c);          // a button, check box or radio box
//   void type(ControlName box, std::u16string_view keys); // '\r' is Enter
//   void put_on_clipboard(std::u16string_view s);
//   void point_at(ControlName c);       // the pointer moves over it
//   bool rescale(int dpi);              // moved to a screen of that scale, the design's size
//                                       // kept if it fits; false where the toolkit scales itself
#pragma once

#include "app/control_table.h"
#include "app/memory_window.h"
#include "app/table_window.h"
#include "runtime/codepage.h"
#include "runtime/worker.h"
#include "tests/support/fake_desktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <string>

namespace fenrow {

template <typename Driver>
class WindowContract : public testing::Test {
protected:
    Driver driver;
    TableWindow& w() { return driver.window(); }
};

TYPED_TEST_SUITE_P(WindowContract);

TYPED_TEST_P(WindowContract, EveryControlOfTheTableWithItsStateAndPlace)
{
    auto& d = this->driver;
    TableWindow& w = this->w();
    MemoryControls expected(control_table());
    layout_controls(expected);
    for (const ControlSpec& c : control_table()) {
        SCOPED_TRACE(std::string(c.name.utf8));
        EXPECT_EQ(w.get_geometry(c.name), expected.get_geometry(c.name));
        if (c.kind == ControlKind::status_bar)
            continue;
        EXPECT_EQ(d.placed(c.name), expected.get_geometry(c.name));
        switch (c.kind) {
        case ControlKind::check_box:
        case ControlKind::radio_box:
            EXPECT_EQ(w.is_checked(c.name), c.initially_on);
            [[fallthrough]];
        case ControlKind::label:
        case ControlKind::hyperlink:
        case ControlKind::button:
            EXPECT_EQ(d.shown(c.name), text_from_utf8(c.text));
            break;
        case ControlKind::edit: EXPECT_EQ(w.get_content(c.name), text_from_utf8(c.text)); break;
        default: break;
        }
    }
    EXPECT_EQ(w.get_selection(ctl::file_extension), 0);
    EXPECT_EQ(w.get_item(ctl::file_extension, 0), Text(".txt"));
    EXPECT_EQ(w.get_item(ctl::file_extension, 1), Text(".ini"));
    EXPECT_EQ(w.get_item(ctl::file_extension, 2), Text());
    EXPECT_EQ(w.get_item(ctl::file_extension, -1), Text());
    EXPECT_EQ(d.pane(0), "使用次数："_t);
    EXPECT_EQ(d.pane(2), "操作提示："_t);
    // The design places: both boxes 241 x 455, the right one 10 pixels off the left one.
    EXPECT_EQ(d.placed(ctl::right_box), (Rect{256, 32, 241, 455}));
    EXPECT_EQ(d.placed(ctl::pointer_note).top, 469);
}

TYPED_TEST_P(WindowContract, LayoutFollowsEverySizeChangeAndMinimising)
{
    auto& d = this->driver;
    TableWindow& w = this->w();
    for (const auto& [width, height] : {std::pair{1000, 700}, {240, 300}, {722, 514}}) {
        d.resize_client(width, height);
        MemoryControls expected(control_table(), width, height);
        layout_controls(expected);
        for (const ControlSpec& c : control_table())
            EXPECT_EQ(w.get_geometry(c.name), expected.get_geometry(c.name)) << c.name.utf8 << " at " << width;
        EXPECT_EQ(d.placed(ctl::right_box), expected.get_geometry(ctl::right_box)) << width;
    }
    if (d.minimise()) {
        EXPECT_EQ(w.get_geometry(ctl::left_box).width, -120);
        d.restore();
    }
    EXPECT_EQ(w.get_geometry(ctl::left_box), (Rect{5, 32, 241, 455}));
}

TYPED_TEST_P(WindowContract, BoxesGiveBackEveryTextAndCountItsLines)
{
    TableWindow& w = this->w();
    std::mt19937 rng(3);
    const std::string pieces[] = {"\r\n", "\r", "\n", "a", " ", "\t", "\xd6\xd0", "\x80", "\xff", "\x81", "\xa2\xe3",
                                  "\x95\x32\x90\x31", "\x81\x36\xa6\x33", "\xa8\xa0", "\xa1\xa1"};
    for (ControlName box : {ctl::left_box, ctl::right_box, ctl::prefix_text}) {
        for (int round = 0; round < 200; ++round) {
            std::string s;
            for (int i = static_cast<int>(rng() % 10); i > 0; --i)
                s += rng() % 5 == 0 ? std::string(1, static_cast<char>(1 + rng() % 255)) : pieces[rng() % std::size(pieces)];
            const Text t(s);
            w.set_content(box, t);
            ASSERT_EQ(w.get_content(box), t) << testing::PrintToString(t);
            if (box != ctl::prefix_text) {
                ASSERT_EQ(w.get_line_count(box), count_box_lines(t)) << testing::PrintToString(t);
            }
        }
    }
}

TYPED_TEST_P(WindowContract, ContentChangedOncePerWriteAndCountersFollow)
{
    auto& d = this->driver;
    TableWindow& w = this->w();
    int changes = 0;
    w.event_observer = [&](ControlName c, Event e) { changes += c == ctl::right_box && e == Event::content_changed; };
    w.set_content(ctl::right_box, "a");
    w.set_content(ctl::right_box, "a"); // the same text still counts
    EXPECT_EQ(changes, 2);
    w.append_text(ctl::right_box, "\r\nb\r");
    w.append_text(ctl::right_box, "\nc\r\n");
    EXPECT_EQ(changes, 4);
    w.event_observer = nullptr;
    EXPECT_EQ(w.get_content(ctl::right_box).str(), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(w.get_line_count(ctl::right_box), 4);
    EXPECT_EQ(d.shown(ctl::count_right), "总共：4行 ↓"_t);
    EXPECT_EQ(d.shown(ctl::count_left), "总共：1行 ↓"_t);
    EXPECT_EQ(w.box(ctl::right_box).editor().caret(), w.get_content(ctl::right_box).view().size());
}

TYPED_TEST_P(WindowContract, TypingEnterAndPastingLfLinesGiveCrLfLines)
{
    auto& d = this->driver;
    TableWindow& w = this->w();
    w.set_content(ctl::left_box, "");
    d.type(ctl::left_box, u"x\ry");
    EXPECT_EQ(w.get_content(ctl::left_box).str(), "x\r\ny");
    EXPECT_EQ(d.shown(ctl::count_left), "总共：2行 ↓"_t);
    d.put_on_clipboard(u"p\nq\n");
    d.click(ctl::paste_left);
    EXPECT_EQ(w.get_content(ctl::left_box).str(), "p\r\nq\r\n");
    EXPECT_EQ(d.shown(ctl::count_left), "总共：3行 ↓"_t);
}

// Ctrl+V and the paste button: nothing read, nothing changed, and the reason shown.
TYPED_TEST_P(WindowContract, APasteWithoutTextKeepsEveryByteAndSaysWhy)
{
    auto& d = this->driver;
    TableWindow& w = this->w();
    const Text kept("a1\r\n\xd6\xd0\x81\r\n");
    w.set_content(ctl::left_box, kept);
    d.offer_no_text();
    d.click(ctl::paste_left);
    EXPECT_EQ(w.get_content(ctl::left_box), kept);
    EXPECT_EQ(d.pane(hint_pane), "剪贴板中没有文本"_t);
    w.set_pane_text(ctl::status_bar, hint_pane, Text("-"));
    w.box(ctl::left_box).run(command_for_key(BoxKey::v, true, false));
    EXPECT_EQ(w.get_content(ctl::left_box), kept);
    EXPECT_EQ(d.pane(hint_pane), "剪贴板中没有文本"_t);
    EXPECT_EQ(d.shown(ctl::count_left), "总共：3行 ↓"_t);
}

TYPED_TEST_P(WindowContract, CopyButtonPutsTheBoxOnTheClipboardAndReports)
{
    FakeDesktop recorder;
    this->w().set_content(ctl::right_box, "a\r\n\xd6\xd0");
    this->driver.click(ctl::copy_right);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].content, "复制成功!"_t);
    EXPECT_EQ(recorder.boxes[0].title, "复制"_t);
    EXPECT_EQ(recorder.clipboard.str(), "a\r\n\xd6\xd0");
}

TYPED_TEST_P(WindowContract, HintsFollowThePointer)
{
    auto& d = this->driver;
    const Text dedupe = "去重复：左侧为原文本，去重复后文本显示在右侧"_t;
    d.point_at(ctl::dedupe_button);
    EXPECT_EQ(d.pane(hint_pane), dedupe);
    for (ControlName quiet : {ctl::extract_note, ctl::prefix_check, ctl::prefix_text, ctl::file_extension, ctl::left_box})
        d.point_at(quiet); // no hint of their own: the last one stays
    EXPECT_EQ(d.pane(hint_pane), dedupe);
    d.point_at(ctl::generate_group); // the empty inside of a group box is background
    EXPECT_EQ(d.pane(hint_pane), text_from_utf8(window_hint));
    d.point_at(ctl::top_line);
    EXPECT_EQ(d.pane(hint_pane), "顶层文本：生成的账号最顶端 加上特定内容！"_t);
    d.point_at(ctl::main_window);
    EXPECT_EQ(d.pane(hint_pane), text_from_utf8(window_hint));
}

TYPED_TEST_P(WindowContract, RadioBoxesExcludeEachOtherAndPanesOutsideAreIgnored)
{
    auto& d = this->driver;
    TableWindow& w = this->w();
    d.click(ctl::mark_last);
    EXPECT_FALSE(w.is_checked(ctl::mark_first));
    EXPECT_TRUE(w.is_checked(ctl::mark_last));
    d.click(ctl::prefix_check);
    EXPECT_FALSE(w.is_checked(ctl::prefix_check));
    EXPECT_TRUE(w.is_checked(ctl::suffix_check));
    w.set_pane_text(ctl::status_bar, pane_count, "ignored");
    w.set_pane_text(ctl::status_bar, -1, "ignored");
    EXPECT_EQ(d.pane(hint_pane), Text());
}

TYPED_TEST_P(WindowContract, WorkerCallsAreCarriedOutOnTheWindowThreadInOrder)
{
    auto& d = this->driver;
    TableWindow& w = this->w();
    std::atomic<bool> done{false};
    start_worker([&] {
        for (int i = 0; i < 50; ++i)
            w.append_text(ctl::right_box, txt_from_int(i) + "\r\n");
        w.set_pane_text(ctl::status_bar, usage_pane, "1234 "_t + "次"_t);
        w.set_content(ctl::left_box, "w\r\n");
        done = true;
    });
    while (!done)
        d.pump();
    const TextArray lines = txt_split(w.get_content(ctl::right_box), Text("\r\n"));
    ASSERT_EQ(array_count(lines), 50);
    for (int i = 1; i <= 50; ++i)
        EXPECT_EQ(array_at(lines, i), txt_from_int(i - 1));
    EXPECT_EQ(d.pane(usage_pane), "1234 次"_t);
    EXPECT_EQ(w.get_content(ctl::left_box).str(), "w\r\n");
}

// A worker rereading an option box while the user types into it sees the edit.
TYPED_TEST_P(WindowContract, AWorkerRereadingAnOptionBoxSeesTheUsersEdit)
{
    auto& d = this->driver;
    TableWindow& w = this->w();
    w.set_content(ctl::group_size, Text());
    std::atomic<int> reads{0};
    std::atomic<bool> give_up{false}, done{false};
    Text seen;
    start_worker([&] {
        while (!give_up && (seen = w.get_content(ctl::group_size)) != "7"_t)
            ++reads;
        done = true;
    });
    while (reads < 3) // the empty box read, and kept wherever the window keeps a copy
        d.pump();
    d.type(ctl::group_size, u"7");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done && std::chrono::steady_clock::now() < until)
        d.pump();
    give_up = true;
    while (!done)
        d.pump();
    EXPECT_EQ(seen, "7"_t);
}

// A count of a hundred million lines still reads whole above its box.
TYPED_TEST_P(WindowContract, CountersReadWholeUpToAHundredMillionLines)
{
    auto& d = this->driver;
    TableWindow& w = this->w();
    for (ControlName counter : {ctl::count_left, ctl::count_right}) {
        const Text longest = "总共：100000000行 ↓"_t;
        w.set_caption(counter, longest);
        EXPECT_EQ(d.shown(counter), longest);
        EXPECT_TRUE(d.caption_fits(counter)) << counter.utf8;
    }
}

// On a screen of another scale every control stands on the design's edges
// times the scale, while the layout still works in the design's pixels.
TYPED_TEST_P(WindowContract, ControlsFollowTheScreensScale)
{
    auto& d = this->driver;
    TableWindow& w = this->w();
    for (const int dpi : {144, 120, 192, 96}) {
        if (!d.rescale(dpi))
            GTEST_SKIP() << "the toolkit scales by itself";
        // A screen too small for the scaled design holds the window smaller.
        MemoryControls expected(control_table(), w.client_width(), w.client_height());
        layout_controls(expected);
        const Scale scale{dpi};
        for (const ControlSpec& c : control_table()) {
            EXPECT_EQ(w.get_geometry(c.name), expected.get_geometry(c.name)) << c.name.utf8 << " at " << dpi;
            Rect want = scale.device(expected.get_geometry(c.name));
            want.width = std::max(want.width, 0); // hidden
            if (c.kind != ControlKind::status_bar) {
                EXPECT_EQ(d.placed(c.name), want) << c.name.utf8 << " at " << dpi;
            }
        }
        if (w.client_width() == design_client_width) {
            w.set_caption(ctl::count_left, "总共：100000000行 ↓"_t);
            EXPECT_TRUE(d.caption_fits(ctl::count_left)) << dpi;
        }
        d.point_at(ctl::top_line);
        EXPECT_EQ(d.pane(hint_pane), "顶层文本：生成的账号最顶端 加上特定内容！"_t) << dpi;
    }
}

REGISTER_TYPED_TEST_SUITE_P(WindowContract, EveryControlOfTheTableWithItsStateAndPlace,
                            LayoutFollowsEverySizeChangeAndMinimising, BoxesGiveBackEveryTextAndCountItsLines,
                            ContentChangedOncePerWriteAndCountersFollow, TypingEnterAndPastingLfLinesGiveCrLfLines,
                            APasteWithoutTextKeepsEveryByteAndSaysWhy,
                            CopyButtonPutsTheBoxOnTheClipboardAndReports, HintsFollowThePointer,
                            RadioBoxesExcludeEachOtherAndPanesOutsideAreIgnored,
                            WorkerCallsAreCarriedOutOnTheWindowThreadInOrder,
                            AWorkerRereadingAnOptionBoxSeesTheUsersEdit, CountersReadWholeUpToAHundredMillionLines, ControlsFollowTheScreensScale);

} // namespace fenrow
