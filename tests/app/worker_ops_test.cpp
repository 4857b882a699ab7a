// The two buttons whose work runs on a worker, clicked in the window.
#include "app/qt/main_window.h"

#include "app/control_table.h"
#include "app/qt/list_box.h"
#include "app/qt/widgets.h"
#include "ops/add_suffix.h"
#include "ops/blank_lines.h"
#include "ops/jobs.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/temp_dir.h"
#include "tests/support/print.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <cstdio>
#include <string>
#include <vector>

using namespace fenrow;

namespace {

const ControlName source = ctl::left_box, result = ctl::right_box, convert = ctl::convert_button, suffix = ctl::mark_button;

Text numbered_list(int lines)
{
    std::string s;
    for (int i = 1; i <= lines; ++i)
        s += "acc" + std::to_string(i) + "\r\n";
    return Text(std::move(s));
}

// Lets the window run, as it would for the user, until the job has ended.
void let_job_finish(MainWindow& w)
{
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (box_job_running(w, result)) {
        ASSERT_LT(std::chrono::steady_clock::now(), give_up) << "the job never ended";
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    QApplication::processEvents();
}

class WorkerOps : public testing::Test {
protected:
    void SetUp() override
    {
        use_design_font();
        window.show();
        QApplication::processEvents();
    }

    void click(ControlName button) { static_cast<QAbstractButton*>(window.widget(button))->click(); }
    void type_into(ControlName box, const char* utf8) { static_cast<QLineEdit*>(window.widget(box))->setText(QString::fromUtf8(utf8)); }
    QString counter() { return static_cast<QLabel*>(window.widget(ctl::count_right))->text(); }
    static QString counter_for(int lines) { return QStringLiteral("总共：%1行 ↓").arg(lines); }

    void wait_for_job() { let_job_finish(window); }

    MainWindow window;
};

TEST_F(WorkerOps, ConversionButtonFillsTheRightBoxAndItsCounter)
{
    const struct {
        std::optional<ControlName> untick; // none: both boxes stay ticked
        const char* prefix;
        const char* chars;
        Text source, expected;
    } cases[] = {
        {std::nullopt, "=", "", "aaa\r\n\r\nbbb\r\n", "1=aaa=\r\n2==\r\n3=bbb="},
        {ctl::suffix_check, "----", "", "aaa\r\nbbb\r\n\r\n", "1----aaa\r\n2----bbb\r\n3----"},
        {ctl::prefix_check, "=", "账号", "中文\r\n\r\nb"_t, "中文=账号\r\n=账号\r\nb=账号"_t},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.source));
        MainWindow w;
        w.show();
        if (c.untick)
            static_cast<QAbstractButton*>(w.widget(*c.untick))->click();
        static_cast<QLineEdit*>(w.widget(ctl::prefix_text))->setText(QString::fromUtf8(c.prefix));
        static_cast<QLineEdit*>(w.widget(ctl::suffix_text))->setText(QString::fromUtf8(c.chars));
        w.set_content(source, c.source);
        w.set_content(result, "old");
        static_cast<QAbstractButton*>(w.widget(convert))->click();
        EXPECT_EQ(w.get_content(result), Text()); // emptied at once
        let_job_finish(w);
        EXPECT_EQ(w.get_content(result), c.expected);
        EXPECT_EQ(static_cast<QLabel*>(w.widget(ctl::count_right))->text(), counter_for(count_box_lines(c.expected)));
        EXPECT_EQ(w.get_content(source), c.source);
    }
}

TEST_F(WorkerOps, AddSuffixButtonShowsTheNoticeThenTheMarkedList)
{
    window.set_content(source, "a\r\nb\r\n\r\nc\r\nd\r\ne\r\nf\r\ng\r\n");
    type_into(ctl::group_size, "３");
    click(ctl::mark_last);
    click(suffix);
    EXPECT_EQ(window.get_content(result), add_suffix_notice());
    EXPECT_EQ(counter(), counter_for(2));
    wait_for_job();
    EXPECT_EQ(window.get_content(result), Text("a\r\nb\r\nc*1\r\nd\r\ne\r\nf*2\r\ng"));
    EXPECT_EQ(counter(), counter_for(7));
}

TEST_F(WorkerOps, ClicksWhileAJobRunsAreRefusedAndOneCleanResultComes)
{
    const int lines = 3 * batch_lines + 10;
    window.set_content(source, numbered_list(lines));
    static_cast<QAbstractButton*>(window.widget(ctl::suffix_check))->click();
    click(convert);
    // The worker needs the window for every step, so it is still at the start.
    ASSERT_TRUE(box_job_running(window, result));
    click(convert);
    click(suffix);
    EXPECT_EQ(window.pane(hint_pane)->text(), QString::fromStdU16String(text_to_utf16(job_running_note())));
    wait_for_job();

    const TextArray out = txt_split(window.get_content(result), Text("\r\n"));
    ASSERT_EQ(array_count(out), lines);
    for (int i = 1; i <= lines; ++i)
        ASSERT_EQ(array_at(out, i).str(), std::to_string(i) + "=acc" + std::to_string(i));
    EXPECT_EQ(counter(), counter_for(lines));

    // Once it has ended, the buttons work again.
    click(suffix);
    wait_for_job();
    EXPECT_EQ(array_at(txt_split(window.get_content(result), Text("\r\n")), 1).str(), "acc1*1");
}

TEST_F(WorkerOps, ProgressShowsAndTheWindowKeepsHandlingEvents)
{
    const int lines = 6 * batch_lines;
    window.set_content(source, numbered_list(lines));
    auto* box = static_cast<ListBox*>(window.widget(result));
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start();
    std::vector<int> counts, ticks_at;
    window.event_observer = [&](ControlName c, Event e) {
        if (c == result && e == Event::content_changed) {
            counts.push_back(box->editor().text().line_count());
            ticks_at.push_back(ticks);
        }
    };
    click(convert);
    wait_for_job();
    window.event_observer = nullptr;
    ticker.stop();

    // After the clearing, one append per batch, each showing more lines.
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end())) << testing::PrintToString(counts);
    const auto first_append = std::upper_bound(counts.begin(), counts.end(), 1);
    EXPECT_EQ(counts.end() - first_append, lines / batch_lines) << testing::PrintToString(counts);
    EXPECT_EQ(counts.back(), lines);
    // Between the appends the window handled its timer.
    const auto at_first_append = ticks_at[static_cast<std::size_t>(first_append - counts.begin())];
    EXPECT_GE(ticks_at.back() - at_first_append, lines / batch_lines / 2);
    EXPECT_EQ(counter(), counter_for(lines));
}

// Every button that rewrites a large box: Ctrl+Z in the box right after it puts
// the text and its counter back; typing after it makes Ctrl+Z undo typing only.
TEST_F(WorkerOps, EveryRewritingOperationIsTakenBackByCtrlZ)
{
    FakeDesktop desktop; // the operations' message boxes
    test::TempDir dir("undo_generate");
    override_program_dir(text_from_utf8(dir.path().string()));
    type_into(ctl::extract_head, "<");
    type_into(ctl::extract_tail, ">");
    const Text left("<a>\r\n\r\n<b>\r\n<a>\r\n<c>\r\n<d>\r\n<e>\r\n<f>\r\n<g>"), right("<a>");
    const struct {
        ControlName button;
        std::vector<ControlName> rewritten;
    } cases[] = {
        {ctl::extract_button, {source}},          {ctl::blank_button, {source}},
        {ctl::dedupe_button, {result}},           {ctl::pick_button, {result}},
        {convert, {result}},                      {suffix, {result}},
        {ctl::generate_button, {source, result}},
    };
    const auto ctrl_z = [this](ControlName box) {
        QKeyEvent e(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
        QApplication::sendEvent(window.widget(box), &e);
    };
    const auto count_label = [this](ControlName box) {
        return static_cast<QLabel*>(window.widget(box == source ? ctl::count_left : ctl::count_right))->text();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.button.utf8));
        window.set_content(source, left);
        window.set_content(result, right);
        click(c.button);
        wait_for_job();
        for (ControlName box : c.rewritten) {
            EXPECT_FALSE(window.get_content(box) == (box == source ? left : right)) << "the operation changed nothing";
            ctrl_z(box);
            EXPECT_EQ(window.get_content(box), box == source ? left : right);
            EXPECT_EQ(count_label(box), counter_for(count_box_lines(box == source ? left : right)));
        }
    }
    EXPECT_NE(window.pane(hint_pane)->text().indexOf(QStringLiteral("文本文件仍在")), -1); // generate's files stay

    window.set_content(source, left);
    click(ctl::blank_button);
    auto* box = static_cast<ListBox*>(window.widget(source));
    box->select(0, 0);
    QKeyEvent x(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(box, &x);
    const Text cleaned = remove_blank_lines(left);
    ctrl_z(source);
    EXPECT_EQ(window.get_content(source), cleaned);
    ctrl_z(source);
    EXPECT_EQ(window.get_content(source), cleaned);
    override_program_dir(std::nullopt);
}

TEST(WorkerOpsDeathTest, ClosingTheWindowWhileAConversionRunsEndsAtOnce)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(run_main_window([](MainWindow& w) {
                    w.set_content(source, numbered_list(1000000)); // long enough to be running at the close
                    static_cast<QAbstractButton*>(w.widget(convert))->click();
                    QTimer::singleShot(20, &w, [&w] {
                        std::fprintf(stderr, "%s\n", box_job_running(w, result) ? "closed while running" : "already done");
                        w.close();
                    });
                })),
                testing::ExitedWithCode(0), "closed while running");
}

} // namespace
