// Bad input through the window: stray zero characters and broken two-byte
// sequences on the clipboard, a full or read-only disk while generating, and a
// counter page that never answers.
#include "app/qt/main_window.h"

#include "app/control_table.h"
#include "app/usage_counter.h"
#include "app/qt/list_box.h"
#include "app/qt/widgets.h"
#include "modules/http.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "runtime/worker.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/loopback_server.h"
#include "tests/support/print.h"
#include "tests/support/small_filesystem.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

using namespace fenrow;
using fenrow::test::LoopbackServer;
using fenrow::test::Reply;
using fenrow::test::SmallFilesystem;

namespace {

const ControlName left = ctl::left_box, right = ctl::right_box;

class BadInput : public testing::Test {
protected:
    void SetUp() override
    {
        use_design_font();
        window.show();
        QApplication::processEvents();
    }
    void click(ControlName button) { static_cast<QAbstractButton*>(window.widget(button))->click(); }
    QString count_label(ControlName label) { return static_cast<QLabel*>(window.widget(label))->text(); }

    MainWindow window;
};

TEST_F(BadInput, ZeroCharactersOnTheClipboardDropOutAndNothingAfterThemIsLost)
{
    QGuiApplication::clipboard()->setText(QString::fromUtf16(u"a1\0x\na2\n\0\na3", 12));
    click(ctl::paste_left);
    EXPECT_EQ(window.get_content(left).str(), "a1x\r\na2\r\n\r\na3");
    EXPECT_EQ(count_label(ctl::count_left), QString::fromUtf8("总共：4行 ↓"));
    click(ctl::dedupe_button);
    EXPECT_EQ(window.get_content(right).str(), "a1x\r\na2\r\n\r\na3");
}

TEST_F(BadInput, BrokenTwoByteSequencesSurviveCopyAndPaste)
{
    // Lead bytes without their second byte, at line ends, at the very end, and
    // before a byte no character takes.
    const Text broken("u1\x81\r\nu2\xd6\r\n\xff\x7f u3\r\nu4\x80\xd6");
    FakeDesktop recorder;
    QGuiApplication::clipboard()->setText(QString::fromUtf16(text_to_utf16_exact(broken).c_str()));
    click(ctl::paste_left);
    EXPECT_EQ(window.get_content(left), broken);
    EXPECT_EQ(count_label(ctl::count_left), QString::fromUtf8("总共：4行 ↓"));
    click(ctl::dedupe_button);
    EXPECT_EQ(window.get_content(right), broken);
}

TEST_F(BadInput, PastesOverASelectionEndEveryKindOfLineSmallOrLarge)
{
    // Every kind of line end, zero characters, raw-byte surrogates, a line
    // separator, pasted over a selection in the middle of a box.
    const QString pasted = QString::fromUtf16(u"p1\r\np2\rp3\np4\u2029p5\uFDD0p6\0", 19) + QChar(0xDC81) +
                           QString::fromUtf16(u"\u2028\uFDD1end");
    const std::string piece = "p1\r\np2\r\np3\r\np4\r\np5\r\np6\x81" + unicode_to_cp936(U"\u2028").str() + "\r\nend";
    auto* box = static_cast<ListBox*>(window.widget(left));
    for (const int times : {1, 10000}) { // the second well over what the toolkit's box inserted in place
        window.set_content(left, "head\r\nmiddle\r\ntail");
        QString all;
        for (int i = 0; i < times; ++i)
            all += pasted;
        std::string expected;
        for (int i = 0; i < times; ++i)
            expected += piece;
        box->select(8, 12); // "ddle"
        QGuiApplication::clipboard()->setText(all);
        box->core().run({BoxCommand::paste});
        QApplication::processEvents();
        EXPECT_EQ(window.get_content(left).str(), "head\r\nmi" + expected + "\r\ntail");
        EXPECT_EQ(box->editor().caret(), 8 + expected.size());
    }
    EXPECT_EQ(count_label(ctl::count_left), QStringLiteral("总共：%1行 ↓").arg(3 + 6 * 10000));
}

TEST_F(BadInput, AVeryLongLineShowsAtOnceWithoutANoteOrABusyPointer)
{
    window.pane(hint_pane)->setText(QStringLiteral("hint"));
    const Text line(std::string(1100 * 1000, 'x'));
    window.set_content(left, line);
    window.append_text(right, line);
    auto* box = static_cast<ListBox*>(window.widget(right));
    box->viewport()->repaint();
    // The end of the line is in view: the horizontal bar reaches it without a layout of the whole line.
    EXPECT_GT(box->horizontalScrollBar()->value(), 0);
    EXPECT_TRUE(box->viewport()->rect().contains(box->caret_rect().topLeft()));
    EXPECT_EQ(window.pane(hint_pane)->text(), QStringLiteral("hint"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(window.get_content(left), line);
    EXPECT_EQ(window.get_content(right), line);
}

class GenerateOnSmallDisk : public BadInput {
protected:
    void SetUp() override
    {
        BadInput::SetUp();
        if (!disk.mounted())
            GTEST_SKIP() << "mounting a small file system needs root";
        override_program_dir(Text(disk.path()));
        window.set_content(left, list);
        window.set_content(ctl::block_size, "3");
        window.set_content(ctl::file_name, "f");
        static_cast<QCheckBox*>(window.widget(ctl::top_line_check))->setChecked(false);
    }
    void TearDown() override { override_program_dir(std::nullopt); }

    int files_named_f() const
    {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(disk.path()))
            n += e.path().filename().string().starts_with("f") ? 1 : 0;
        return n;
    }

    // Two pages: room for two small files, not for the third.
    SmallFilesystem disk{2 * 4096};
    const Text list = "a1\r\na2\r\na3\r\na4\r\na5\r\na6\r\na7\r\na8\r\na9\r\na10";
    FakeDesktop recorder;
};

TEST_F(GenerateOnSmallDisk, AFullDiskStopsTheRunSaysWhyAndKeepsTheRest)
{
    click(ctl::generate_button);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_NE(txt_find(recorder.boxes[0].content, "磁盘空间不足"_t, 1, false), -1) << testing::PrintToString(recorder.boxes[0].content);
    const int written = files_named_f();
    EXPECT_GE(written, 1);
    EXPECT_LE(written, 2);
    // Every account not in a written file is still in the box.
    std::string expected;
    for (int i = written * 3 + 1; i <= 10; ++i)
        expected += (expected.empty() ? "a" : "\r\na") + std::to_string(i);
    EXPECT_EQ(window.get_content(left).str(), expected);
}

TEST_F(GenerateOnSmallDisk, AReadOnlyDiskKeepsEveryAccount)
{
    ASSERT_TRUE(disk.make_read_only());
    click(ctl::generate_button);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_NE(txt_find(recorder.boxes[0].content, "没有写入权限"_t, 1, false), -1) << testing::PrintToString(recorder.boxes[0].content);
    EXPECT_EQ(files_named_f(), 0);
    EXPECT_EQ(window.get_content(left), list);
}

TEST_F(BadInput, ACounterPageThatNeverAnswersLeavesTheWindowResponsive)
{
    const HttpLimits old = http_set_limits({5, 2, std::int64_t{1} << 20, 0});
    LoopbackServer silent([](const std::string&) {
        Reply r;
        r.hold = true;
        return r;
    });
    std::atomic<bool> done{false};
    window.set_pane_text(ctl::status_bar, usage_pane, Text());
    start_worker([&] {
        fetch_usage_count(window, Text(silent.url("/count")));
        done = true;
    });

    // Meanwhile the window serves the user: a button's work is done at once,
    // and the event loop never stalls for long.
    window.set_content(left, "b\r\n\r\nb");
    click(ctl::dedupe_button);
    EXPECT_EQ(window.get_content(right).str(), "b\r\n");
    QElapsedTimer waited, since_tick;
    waited.start();
    since_tick.start();
    qint64 longest = 0;
    while (!done && waited.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        longest = std::max(longest, since_tick.restart());
    }
    http_set_limits(old);
    ASSERT_TRUE(done) << "the fetch never gave up";
    EXPECT_GE(waited.elapsed(), 1500); // it waited for the silence limit
    EXPECT_LT(longest, 1000);
    QApplication::processEvents();
    EXPECT_EQ(window.pane(usage_pane)->text(), QString::fromUtf8("获取失败"));
}

TEST(BadInputWindow, ClosingTheWindowEndsItsUsageCountRequestAtOnce)
{
    LoopbackServer silent([](const std::string&) {
        Reply r;
        r.hold = true;
        return r;
    });
    QElapsedTimer closing;
    {
        MainWindow window; // the request would wait 30 s for the silent page
        window.start_owned_worker([&](std::stop_token stop) { fetch_usage_count(window, Text(silent.url("/")), stop); });
        while (silent.requests().empty())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        closing.start();
    }
    EXPECT_LT(closing.elapsed(), 5000);
}

} // namespace
