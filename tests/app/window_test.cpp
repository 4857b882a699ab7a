#include "app/qt/main_window.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "app/qt/desktop_qt.h"
#include "app/qt/list_box.h"
#include "app/qt/qt_text.h"
#include "app/qt/widgets.h"
#include "runtime/codepage.h"
#include "runtime/fatal.h"
#include "runtime/worker.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/print.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

using namespace fenrow;

namespace {

// Resizes the window and lets the size change arrive.
void resize_client(MainWindow& w, int width, int height)
{
    w.resize(width, height);
    QApplication::processEvents();
}

void move_mouse_over(QWidget* w)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

// A key pressed in a widget, as the user presses it.
void press(QWidget* w, int key, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &e);
}

QColor text_colour(QWidget* w)
{
    if (qobject_cast<QLineEdit*>(w))
        return w->palette().color(QPalette::Text);
    return w->palette().color(QPalette::WindowText);
}

class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        use_design_font();
        window.show();
        resize_client(window, design_client_width, design_client_height);
    }
    MainWindow window;
};

} // namespace

TEST_F(WindowTest, EveryControlOfTheTableWithItsStateAndPlace)
{
    EXPECT_EQ(window.windowTitle(), qs(window_title));
    EXPECT_FALSE(window.windowIcon().isNull());
    MemoryControls expected(control_table());
    layout_controls(expected);
    for (const ControlSpec& c : control_table()) {
        SCOPED_TRACE(std::string(c.name.utf8));
        QWidget* w = window.widget(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->objectName(), QString::fromUtf8(c.name.utf8.data(), static_cast<int>(c.name.utf8.size())));
        EXPECT_EQ(window.get_geometry(c.name), expected.get_geometry(c.name));
        if (c.kind == ControlKind::status_bar)
            continue;
        const Rect g = expected.get_geometry(c.name);
        EXPECT_EQ(w->geometry(), QRect(g.left, g.top, g.width, g.height));
        QWidget* container = c.container.utf8.empty() ? &window : window.widget(c.container);
        EXPECT_EQ(w->parentWidget(), container);
        if (c.rgb != 0) {
            EXPECT_EQ(text_colour(w), QColor((c.rgb >> 16) & 0xFF, (c.rgb >> 8) & 0xFF, c.rgb & 0xFF));
        }
        switch (c.kind) {
        case ControlKind::label:
        case ControlKind::hyperlink:
            EXPECT_EQ(static_cast<QLabel*>(w)->text(), qs(c.text));
            break;
        case ControlKind::button:
            EXPECT_EQ(static_cast<QPushButton*>(w)->text(), qs(c.text));
            break;
        case ControlKind::check_box:
        case ControlKind::radio_box:
            EXPECT_EQ(static_cast<QAbstractButton*>(w)->text(), qs(c.text));
            EXPECT_EQ(window.is_checked(c.name), c.initially_on);
            break;
        case ControlKind::edit:
            EXPECT_EQ(window.get_content(c.name), text_from_utf8(c.text));
            break;
        case ControlKind::group_box:
            EXPECT_TRUE(static_cast<QGroupBox*>(w)->title().isEmpty());
            break;
        case ControlKind::combo_box:
            EXPECT_EQ(window.get_selection(c.name), 0);
            EXPECT_EQ(window.get_item(c.name, 0).str(), ".txt");
            EXPECT_EQ(window.get_item(c.name, 1).str(), ".ini");
            EXPECT_EQ(window.get_item(c.name, 2).str(), "");
            break;
        case ControlKind::status_bar:
            break;
        }
    }
    // The design places: both boxes 241 x 455, the right one 10 pixels off the left one.
    EXPECT_EQ(window.widget(ctl::right_box)->geometry(), QRect(256, 32, 241, 455));
    EXPECT_EQ(window.widget(ctl::pointer_note)->geometry().top(), 469);
}

TEST_F(WindowTest, StatusBarIsDockedWithItsPanes)
{
    QWidget* bar = window.widget(ctl::status_bar);
    EXPECT_EQ(bar->geometry().bottom(), window.height() - 1);
    EXPECT_EQ(bar->width(), window.width());
    const int widths[] = {65, 100, 65};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(window.pane(i)->width(), widths[i]);
    EXPECT_EQ(window.pane(0)->text(), qs("使用次数："));
    EXPECT_EQ(window.pane(usage_pane)->toolTip(), qs("50"));
    EXPECT_EQ(window.pane(2)->text(), qs("操作提示："));
    resize_client(window, 900, 600);
    EXPECT_EQ(bar->geometry().bottom(), 599);
    EXPECT_EQ(bar->width(), 900);
    EXPECT_GT(window.pane(hint_pane)->width(), 200); // the last pane takes the rest
}

TEST_F(WindowTest, LayoutFollowsEverySizeChangeAndMinimising)
{
    for (const QSize size : {QSize(1000, 700), QSize(240, 300), QSize(722, 514)}) {
        resize_client(window, size.width(), size.height());
        MemoryControls expected(control_table(), size.width(), size.height());
        layout_controls(expected);
        for (const ControlSpec& c : control_table())
            EXPECT_EQ(window.get_geometry(c.name), expected.get_geometry(c.name)) << c.name.utf8 << " at " << size.width();
    }
    window.showMinimized();
    QApplication::processEvents();
    if (window.isMinimized()) { // the offscreen platform may not minimise
        EXPECT_EQ(window.get_geometry(ctl::left_box).width, -120);
        window.showNormal();
        QApplication::processEvents();
    }
    EXPECT_EQ(window.get_geometry(ctl::left_box), (Rect{5, 32, 241, 455}));
}

TEST_F(WindowTest, BoxesGiveBackEveryTextAndCountItsLines)
{
    std::mt19937 rng(3);
    const std::string pieces[] = {"\r\n", "\r", "\n", "a", " ", "\t", "\xd6\xd0", "\x80", "\xff", "\x81", "\xa2\xe3",
                                  "\x95\x32\x90\x31", "\x81\x36\xa6\x33", "\xa8\xa0", "\xa1\xa1"};
    for (ControlName box : {ctl::left_box, ctl::right_box, ctl::prefix_text}) {
        const bool big = box != ctl::prefix_text;
        for (int round = 0; round < 300; ++round) {
            std::string s;
            for (int i = static_cast<int>(rng() % 10); i > 0; --i)
                s += rng() % 5 == 0 ? std::string(1, static_cast<char>(1 + rng() % 255)) : pieces[rng() % std::size(pieces)];
            const Text t(s);
            window.set_content(box, t);
            ASSERT_EQ(window.get_content(box), t) << testing::PrintToString(t);
            if (big) {
                ASSERT_EQ(window.get_line_count(box), count_box_lines(t)) << testing::PrintToString(t);
            }
        }
    }
}

TEST_F(WindowTest, ContentChangedOncePerWriteAndAppendGoesToTheEnd)
{
    int changes = 0;
    window.event_observer = [&](ControlName c, Event e) {
        if (c == ctl::right_box && e == Event::content_changed)
            ++changes;
    };
    window.set_content(ctl::right_box, "a");
    window.set_content(ctl::right_box, "a");
    EXPECT_EQ(changes, 2);
    window.append_text(ctl::right_box, "\r\nb\r");
    window.append_text(ctl::right_box, "\nc\r\n");
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(window.get_content(ctl::right_box).str(), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(window.get_line_count(ctl::right_box), 4);
    EXPECT_EQ(static_cast<QLabel*>(window.widget(ctl::count_right))->text(), qs("总共：4行 ↓"));
    auto* box = static_cast<ListBox*>(window.widget(ctl::right_box));
    EXPECT_EQ(box->editor().caret(), box->editor().text().size());
}

TEST_F(WindowTest, TypingEnterAndPastingLfLinesGiveCrLfLines)
{
    auto* box = window.widget(ctl::left_box);
    window.set_content(ctl::left_box, "");
    box->setFocus();
    press(box, Qt::Key_X, QStringLiteral("x"));
    press(box, Qt::Key_Return, QStringLiteral("\r"));
    press(box, Qt::Key_Y, QStringLiteral("y"));
    EXPECT_EQ(window.get_content(ctl::left_box).str(), "x\r\ny");
    EXPECT_EQ(static_cast<QLabel*>(window.widget(ctl::count_left))->text(), qs("总共：2行 ↓"));

    QGuiApplication::clipboard()->setText(QStringLiteral("p\nq\n"));
    static_cast<QPushButton*>(window.widget(ctl::paste_left))->click();
    EXPECT_EQ(window.get_content(ctl::left_box).str(), "p\r\nq\r\n");
    EXPECT_EQ(static_cast<QLabel*>(window.widget(ctl::count_left))->text(), qs("总共：3行 ↓"));
}

TEST(CrLfToLf, EveryPairAndNothingElse)
{
    const struct {
        const char16_t* in;
        const char16_t* out;
    } cases[] = {
        {u"", u""}, {u"\r\n", u"\n"}, {u"a\r\nb\r\n", u"a\nb\n"}, {u"\r\r\n\n", u"\r\n\n"},
        {u"\n\r", u"\n\r"}, {u"a\r", u"a\r"}, {u"\u4e2d\r\n\u6587", u"\u4e2d\n\u6587"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(crlf_to_lf(QString::fromUtf16(c.in)), QString::fromUtf16(c.out)) << QString::fromUtf16(c.in).toStdString();
}

TEST_F(WindowTest, CopyButtonPutsTheBoxOnTheClipboardAndReports)
{
    install_qt_services();
    FakeDesktop recorder; // records the box; the clipboard goes through Qt below
    QtDesktop qt;
    window.set_content(ctl::right_box, "a\r\n\xd6\xd0");
    ASSERT_TRUE(qt.clipboard_set_text(window.get_content(ctl::right_box)));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), qs("a\n中"));
    static_cast<QPushButton*>(window.widget(ctl::copy_right))->click();
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].content, "复制成功!"_t);
    EXPECT_EQ(recorder.boxes[0].title, "复制"_t);
}

TEST_F(WindowTest, HintsFollowThePointer)
{
    auto hint = [&] { return window.pane(hint_pane)->text(); };
    move_mouse_over(window.widget(ctl::dedupe_button));
    EXPECT_EQ(hint(), qs("去重复：左侧为原文本，去重复后文本显示在右侧"));
    move_mouse_over(window.widget(ctl::extract_note));
    move_mouse_over(window.widget(ctl::prefix_check));
    move_mouse_over(window.widget(ctl::prefix_text));
    move_mouse_over(window.widget(ctl::file_extension));
    move_mouse_over(window.widget(ctl::left_box));
    EXPECT_EQ(hint(), qs("去重复：左侧为原文本，去重复后文本显示在右侧"));
    move_mouse_over(window.widget(ctl::generate_group)); // the empty inside of a group box is background
    EXPECT_EQ(hint(), qs(window_hint));
    move_mouse_over(window.widget(ctl::top_line));
    EXPECT_EQ(hint(), qs("顶层文本：生成的账号最顶端 加上特定内容！"));
    move_mouse_over(&window);
    EXPECT_EQ(hint(), qs(window_hint));
}

TEST_F(WindowTest, RadioBoxesExcludeEachOtherAndCheckBoxesToggle)
{
    static_cast<QRadioButton*>(window.widget(ctl::mark_last))->click();
    EXPECT_FALSE(window.is_checked(ctl::mark_first));
    EXPECT_TRUE(window.is_checked(ctl::mark_last));
    static_cast<QCheckBox*>(window.widget(ctl::prefix_check))->click();
    EXPECT_FALSE(window.is_checked(ctl::prefix_check));
    EXPECT_TRUE(window.is_checked(ctl::suffix_check));
}

namespace {
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};
} // namespace

TEST_F(WindowTest, HyperlinkColoursAndOpening)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    auto* link = static_cast<LinkLabel*>(window.widget(ctl::feedback_link));
    EXPECT_EQ(text_colour(link), QColor(0, 0, 255));
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), link->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(link, &enter);
    EXPECT_EQ(text_colour(link), QColor(51, 153, 255));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(link, &release);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(link, &leave);
    EXPECT_EQ(text_colour(link), QColor(128, 0, 0));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0].toString(), qs(feedback_page_address));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

TEST_F(WindowTest, WorkerCallsAreCarriedOutOnTheWindowThreadInOrder)
{
    std::atomic<bool> done{false};
    start_worker([&] {
        for (int i = 0; i < 50; ++i)
            window.append_text(ctl::right_box, txt_from_int(i) + "\r\n");
        window.set_pane_text(ctl::status_bar, usage_pane, "1234 "_t + "次"_t);
        window.set_content(ctl::left_box, "w\r\n");
        done = true;
    });
    while (!done)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const TextArray lines = txt_split(window.get_content(ctl::right_box), Text("\r\n"));
    ASSERT_EQ(array_count(lines), 50);
    for (int i = 1; i <= 50; ++i)
        EXPECT_EQ(array_at(lines, i), txt_from_int(i - 1));
    EXPECT_EQ(window.pane(usage_pane)->text(), qs("1234 次"));
    EXPECT_EQ(window.get_content(ctl::left_box).str(), "w\r\n");
}

TEST_F(WindowTest, LargeTextsFromTheWindowThreadAndFromWorkers)
{
    std::string s;
    for (int i = 0; s.size() < 257 * 1024; ++i)
        s += "acc" + std::to_string(i) + "\xd5\xcb\r\n";
    const Text big(s);
    int changes = 0;
    window.event_observer = [&](ControlName c, Event e) {
        if (c == ctl::left_box && e == Event::content_changed)
            ++changes;
    };
    window.set_content(ctl::left_box, big);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(window.get_content(ctl::left_box), big);
    EXPECT_EQ(window.get_line_count(ctl::left_box), count_box_lines(big));
    EXPECT_EQ(static_cast<QLabel*>(window.widget(ctl::count_left))->text(),
              QStringLiteral("总共：%1行 ↓").arg(count_box_lines(big)));

    // A worker's replacement, then its append, arrive in that order.
    std::atomic<bool> done{false};
    const Text other = big + "tail";
    start_worker([&] {
        window.set_content(ctl::left_box, other);
        window.append_text(ctl::left_box, "\r\nmore");
        done = true;
    });
    while (!done)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(window.get_content(ctl::left_box), other + "\r\nmore");
    EXPECT_EQ(changes, 3);
    // The box still takes typing after its document was replaced.
    QWidget* box = window.widget(ctl::left_box);
    press(box, Qt::Key_Home, {}, Qt::ControlModifier);
    press(box, Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(window.get_content(ctl::left_box), "x"_t + other + "\r\nmore");
    EXPECT_EQ(changes, 4);
}

TEST(WindowDeathTest, ClosingTheWindowWhileAWorkerWaitsEndsAtOnceWithZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(run_main_window([](MainWindow& w) {
                    w.start_owned_worker([&w](std::stop_token stop) {
                        while (!stop.stop_requested())
                            w.append_text(ctl::right_box, "line\r\n");
                    });
                    QTimer::singleShot(300, &w, [&w] { w.close(); });
                })),
                testing::ExitedWithCode(0), "");
}

TEST(WindowDeathTest, FatalErrorShowsTheErrorBoxThenEndsWithMinusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            install_qt_services();
            QTimer::singleShot(100, [] {
                QWidget* box = QApplication::activeModalWidget();
                if (box != nullptr) {
                    fprintf(stderr, "box: %s / %s\n", box->windowTitle().toUtf8().constData(),
                            static_cast<QMessageBox*>(box)->text().toUtf8().constData());
                    box->close();
                }
            });
            TextArray empty;
            array_at(empty, 0);
        },
        testing::ExitedWithCode(255), "box: 错误 / 运行时出错!");
}

TEST(MessageBoxTest, RealBoxClosedWithOkGivesZero)
{
    install_qt_services();
    QTimer::singleShot(100, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(box->windowTitle(), qs("信息："));
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
            box->button(QMessageBox::Ok)->click();
        }
    });
    EXPECT_EQ(message_box("hello"), button_ok);
    set_desktop_services(nullptr);
}

// The toolkit's own texts in Chinese whatever the system's language: message
// box buttons and the file dialogs' standard words.
TEST(Translations, StandardButtonsAndDialogsReadChinese)
{
    ASSERT_TRUE(use_chinese_translations());
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("File &name:"));
}

#include "window_test.moc"
