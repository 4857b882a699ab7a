#include "app/qt/main_window.h"

#include "app/control_table.h"
#include "tests/app/window_contract.h"
#include "app/memory_window.h"
#include "app/qt/desktop_qt.h"
#include "app/qt/list_box.h"
#include "app/qt/qt_text.h"
#include "app/qt/widgets.h"
#include "app/window_settings.h"
#include "runtime/codepage.h"
#include "runtime/fatal.h"
#include "runtime/worker.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/print.h"
#include "tests/support/temp_dir.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
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

struct QtDriver {
    QtDriver()
    {
        use_design_font();
        main.show();
        resize_client(design_client_width, design_client_height);
    }
    TableWindow& window() { return main; }
    MainWindow& w() { return main; }
    void pump() { QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50); }
    void resize_client(int width, int height) { ::resize_client(main, width, height); }
    bool minimise()
    {
        w().showMinimized();
        QApplication::processEvents();
        return w().isMinimized(); // the offscreen platform may not minimise
    }
    void restore()
    {
        w().showNormal();
        QApplication::processEvents();
    }
    Rect placed(ControlName c)
    {
        const QRect g = w().widget(c)->geometry();
        return {g.x(), g.y(), g.width(), g.height()};
    }
    Text shown(ControlName c)
    {
        QWidget* widget = w().widget(c);
        if (auto* label = qobject_cast<QLabel*>(widget))
            return from_box(label->text());
        return from_box(static_cast<QAbstractButton*>(widget)->text());
    }
    Text pane(int i) { return text_from_utf16(w().pane(i)->text().toStdU16String()); }
    bool caption_fits(ControlName c) { return w().widget(c)->sizeHint().width() <= w().widget(c)->width(); }
    void click(ControlName c) { static_cast<QAbstractButton*>(w().widget(c))->click(); }
    void type(ControlName box, std::u16string_view keys)
    {
        w().widget(box)->setFocus();
        for (const char16_t k : keys)
            press(w().widget(box), k == u'\r' ? Qt::Key_Return : Qt::Key_unknown, QString(QChar(k)));
    }
    void put_on_clipboard(std::u16string_view s)
    {
        QGuiApplication::clipboard()->setText(QString::fromStdU16String(std::u16string(s)));
    }
    void offer_no_text() { QGuiApplication::clipboard()->clear(); }
    void point_at(ControlName c) { move_mouse_over(c == ctl::main_window ? &w() : w().widget(c)); }
    bool rescale(int) { return false; } // Qt scales the window by itself

    bool quiet = (usage_counter_at_start = false, true); // no page is fetched
    MainWindow main;
};

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

namespace fenrow {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, WindowContract, QtDriver);
} // namespace fenrow

TEST_F(WindowTest, WidgetsCarryTheTablesNamesContainersAndColours)
{
    EXPECT_EQ(window.windowTitle(), qs(window_title));
    EXPECT_FALSE(window.windowIcon().isNull());
    for (const ControlSpec& c : control_table()) {
        SCOPED_TRACE(std::string(c.name.utf8));
        QWidget* w = window.widget(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->objectName(), qs(c.name));
        if (c.kind == ControlKind::status_bar)
            continue;
        EXPECT_EQ(w->parentWidget(), c.container == ctl::main_window ? &window : window.widget(c.container));
        if (c.rgb != 0) {
            EXPECT_EQ(text_colour(w), QColor((c.rgb >> 16) & 0xFF, (c.rgb >> 8) & 0xFF, c.rgb & 0xFF));
        }
        if (c.kind == ControlKind::group_box) {
            EXPECT_TRUE(static_cast<QGroupBox*>(w)->title().isEmpty());
        }
        if (const char* name = accessible_name(c.name)) { // the large boxes, as screen readers call them
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(name));
        }
    }
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

// Other programs here expect lines ending in LF alone on the clipboard.
TEST_F(WindowTest, ClipboardGetsLfLines)
{
    QtDesktop qt;
    ASSERT_TRUE(qt.clipboard_set_text(Text("a\r\n\xd6\xd0")));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), qs("a\n中"));
}

// Account lists hold passwords: the copy buttons and the boxes' Ctrl+C ask
// clipboard managers to keep them out of their history.
TEST_F(WindowTest, CopiesAreMarkedSecret)
{
    const auto marked = [] {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data != nullptr && data->data(QStringLiteral("x-kde-passwordManagerHint")) == "secret";
    };
    QtDesktop qt;
    ASSERT_TRUE(qt.clipboard_set_text(Text("a\r\nb")));
    EXPECT_TRUE(marked());
    QGuiApplication::clipboard()->setText(qs("other"));
    window.set_content(ctl::right_box, Text("x\r\n\xd6\xd0"));
    window.box(ctl::right_box).run(command_for_key(BoxKey::a, true, false));
    window.box(ctl::right_box).run(command_for_key(BoxKey::c, true, false));
    EXPECT_TRUE(marked());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), qs("x\n中"));
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

// While an operation runs, Esc reaches it and nothing else the user does
// reaches the window: typed keys and clicks are dropped, the boxes stay.
TEST_F(WindowTest, EscDuringAnOperationStopsItAndOtherInputIsDropped)
{
    window.set_watch_timing({std::chrono::milliseconds(0), std::chrono::milliseconds(0)});
    window.set_content(ctl::left_box, "a\r\nb\r\na"_t);
    QWidget* box = window.widget(ctl::left_box);
    box->setFocus();
    for (const int key : {Qt::Key_X, Qt::Key_Escape}) {
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_X ? "x" : ""));
    }
    static_cast<QAbstractButton*>(window.widget(ctl::dedupe_button))->click();
    EXPECT_EQ(window.get_content(ctl::left_box), "a\r\nb\r\na"_t);
    EXPECT_EQ(window.get_content(ctl::right_box), Text());
    EXPECT_EQ(window.pane(hint_pane)->text(), QStringLiteral("去重复已停止，列表没有改动。"));
    static_cast<QAbstractButton*>(window.widget(ctl::dedupe_button))->click(); // no Esc: it runs
    EXPECT_EQ(window.get_content(ctl::right_box), "a\r\nb"_t);
}

// The widgets give their values when the window closes and the next window shows them.
TEST(WindowSettingsQt, ClosingSavesTheOptionsAndTheNextWindowShowsThem)
{
    const test::TempDir dir("fenrow-settings-");
    window_settings_file = text_from_utf8((dir.path() / "fenrow.ini").string());
    {
        MainWindow first;
        first.show();
        static_cast<QLineEdit*>(first.widget(ctl::top_line))->setText(QString::fromUtf8(" [顶层]=;\\ "));
        static_cast<QAbstractButton*>(first.widget(ctl::number_check))->click();
        static_cast<QAbstractButton*>(first.widget(ctl::mark_last))->click();
        static_cast<QComboBox*>(first.widget(ctl::file_extension))->setCurrentIndex(1);
        first.close();
    }
    ASSERT_TRUE(std::filesystem::is_regular_file(dir.path() / "fenrow.ini"));
    MainWindow next;
    window_settings_file = Text();
    EXPECT_EQ(static_cast<QLineEdit*>(next.widget(ctl::top_line))->text(), QString::fromUtf8(" [顶层]=;\\ "));
    EXPECT_EQ(next.get_content(ctl::top_line), " [顶层]=;\\ "_t); // the copy workers read is the new text
    EXPECT_FALSE(static_cast<QAbstractButton*>(next.widget(ctl::number_check))->isChecked());
    EXPECT_TRUE(static_cast<QAbstractButton*>(next.widget(ctl::mark_last))->isChecked());
    EXPECT_FALSE(static_cast<QAbstractButton*>(next.widget(ctl::mark_first))->isChecked());
    EXPECT_EQ(static_cast<QComboBox*>(next.widget(ctl::file_extension))->currentIndex(), 1);
    EXPECT_TRUE(next.pane(hint_pane)->text().isEmpty());
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

// The three-way question (generate's files in the way): Chinese captions,
// Cancel by default, each button's answer as the Windows box gives it.
TEST(MessageBoxTest, YesNoCancelGivesEachAnswer)
{
    install_qt_services();
    for (const auto& [pressed, answer] : {std::pair{QMessageBox::Yes, button_yes}, std::pair{QMessageBox::No, button_no},
                                          std::pair{QMessageBox::Cancel, button_cancel}}) {
        QTimer::singleShot(100, [pressed = pressed] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                EXPECT_EQ(box->button(QMessageBox::Yes)->text(), qs("是(&Y)"));
                EXPECT_EQ(box->button(QMessageBox::No)->text(), qs("否(&N)"));
                EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel));
                EXPECT_EQ(box->icon(), QMessageBox::Question);
                box->button(pressed)->click();
            }
        });
        EXPECT_EQ(message_box("q", box_yes_no_cancel | box_icon_question | box_default_third), answer);
    }
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
