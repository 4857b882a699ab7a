// The large box as the user works it: real key, input-method and mouse events,
// the clipboard, what it paints and what assistive technology reads.
#include "app/qt/list_box.h"

#include "app/qt/qt_text.h"
#include "app/qt/widgets.h"
#include "runtime/codepage.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/temp_dir.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <variant>
#include <vector>

using namespace fenrow;

namespace {

class ListBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        use_design_font();
        box.resize(300, 200);
        box.core().content_changed = [this] { ++changes; };
        box.show();
        box.setFocus();
        QApplication::processEvents();
    }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {})
    {
        QKeyEvent e(QEvent::KeyPress, k, mods, text);
        QApplication::sendEvent(&box, &e);
    }
    void type(const QString& s)
    {
        for (const QChar c : s)
            key(c == u'\r' ? Qt::Key_Return : Qt::Key_unknown, Qt::NoModifier, QString(c));
    }
    void mouse(QEvent::Type t, QPoint at, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButton button = t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(t, QPointF(at), box.viewport()->mapToGlobal(QPointF(at)), button, held, mods);
        QApplication::sendEvent(box.viewport(), &e);
    }
    std::string bytes() { return box.core().text().str(); }
    void set_text(const Text& t) { box.core().set_text(ListText(t)); }
    // As an input method asks.
    QVariant query(Qt::InputMethodQuery q)
    {
        QInputMethodQueryEvent e(q);
        QApplication::sendEvent(&box, &e);
        return e.value(q);
    }

    ListBox box{nullptr};
    int changes = 0;
};

// A key with its modifiers, or text typed.
struct K {
    int key;
    Qt::KeyboardModifiers mods = Qt::NoModifier;
};
using Step = std::variant<K, const char*>;

TEST_F(ListBoxTest, KeysEditTheBytes)
{
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
    const struct {
        const char* name;
        std::string text;
        std::vector<Step> steps;
        std::string expected;
        int edits;
    } cases[] = {
        {"Enter gives CR LF", "", {"a", K{Qt::Key_Return}, "b"}, "a\r\nb", 3},
        {"typed Chinese", "", {"中文"}, "\xd6\xd0\xce\xc4", 2},
        {"Backspace takes a two-byte character whole", "x\xd6\xd0", {K{Qt::Key_End, ctrl}, K{Qt::Key_Backspace}}, "x", 1},
        {"Backspace takes CR LF whole", "a\r\nb", {K{Qt::Key_End, ctrl}, K{Qt::Key_Left}, K{Qt::Key_Backspace}}, "ab", 1},
        {"Delete takes CR LF whole", "a\r\nb", {K{Qt::Key_Right}, K{Qt::Key_Delete}}, "ab", 1},
        {"Shift+Right selects, typing replaces",
         "ab\xd6\xd0" "d",
         {K{Qt::Key_Right}, K{Qt::Key_Right, shift}, K{Qt::Key_Right, shift}, "X"},
         "aXd",
         1},
        {"Shift+Down and Backspace", "ab\r\ncd", {K{Qt::Key_Right}, K{Qt::Key_Down, shift}, K{Qt::Key_Backspace}}, "ad", 1},
        {"Ctrl+A then typing", "a\r\nb\r\n", {K{Qt::Key_A, ctrl}, "z"}, "z", 1},
        {"Ctrl+Right then Shift+End deletes the rest",
         "ab cd ef",
         {K{Qt::Key_Right, ctrl}, K{Qt::Key_End, shift}, K{Qt::Key_Delete}},
         "ab ",
         1},
        {"undo and redo of typing", "ab", {K{Qt::Key_End}, "cd", K{Qt::Key_Z, ctrl}}, "ab", 3},
        {"redo", "ab", {K{Qt::Key_End}, "cd", K{Qt::Key_Z, ctrl}, K{Qt::Key_Z, ctrl | shift}}, "abcd", 4},
        {"cut and paste back", "abc", {K{Qt::Key_End, shift}, K{Qt::Key_X, ctrl}, "-", K{Qt::Key_V, ctrl}}, "-abc", 3},
        {"Ctrl+End then PgUp then Home", "1\r\n2\r\n3", {K{Qt::Key_End, ctrl}, K{Qt::Key_PageUp}, K{Qt::Key_Home}, "x"}, "x1\r\n2\r\n3", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        set_text(Text(c.text));
        changes = 0;
        for (const Step& s : c.steps) {
            if (const K* k = std::get_if<K>(&s))
                key(k->key, k->mods);
            else
                type(QString::fromUtf8(std::get<const char*>(s)));
        }
        EXPECT_EQ(bytes(), c.expected);
        EXPECT_EQ(changes, c.edits); // the line counters follow every edit
        EXPECT_EQ(box.core().line_count(), ListText(Text(c.expected)).line_count());
    }
}

TEST_F(ListBoxTest, InputMethodShowsThePreeditAtTheCaretAndCommits)
{
    set_text(Text("ab"));
    key(Qt::Key_End);
    const QRect before = query(Qt::ImCursorRectangle).toRect();
    QInputMethodEvent preedit(QStringLiteral("zhong"), {});
    QApplication::sendEvent(&box, &preedit);
    EXPECT_EQ(bytes(), "ab");
    const QRect during = query(Qt::ImCursorRectangle).toRect();
    EXPECT_GT(during.left(), before.left()); // the caret follows the pre-edit text
    EXPECT_EQ(during.top(), before.top());
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("中"));
    QApplication::sendEvent(&box, &commit);
    EXPECT_EQ(bytes(), "ab\xd6\xd0");
    EXPECT_EQ(query(Qt::ImCursorPosition).toInt(), 3);
    EXPECT_EQ(query(Qt::ImSurroundingText).toString(), QStringLiteral("ab中"));
    EXPECT_EQ(changes, 2); // the set_text and the commit
}

TEST_F(ListBoxTest, ClipboardTakesLfLinesAndEveryByteComesBack)
{
    // Out: CR LF as LF, the rest in the exact form (raw bytes as surrogates).
    set_text(Text("a\r\n\xff\xd6\xd0\r"));
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf16(u"a\n\xdcff\u4e2d\xdc0d"));
    // In: every kind of line end is CR LF, zero characters drop out, a
    // character outside the code page keeps its four-byte form.
    QGuiApplication::clipboard()->setText(QString::fromUtf16(u"p\r\nq\nr\rs\0t\u20ac\U0001F600", 13));
    set_text(Text());
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(bytes(), "p\r\nq\r\nr\r\nst\x80" + unicode_to_cp936(U"\U0001F600").str());

    // A drop goes the way of a paste, where it lands.
    set_text(Text("ab"));
    QMimeData dropped;
    dropped.setText(QStringLiteral("x\ny"));
    const QPoint at = box.caret_rect().topLeft();
    QDragEnterEvent enter(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &drop);
    EXPECT_EQ(bytes(), "x\r\nyab");

    // Any bytes: copied, then pasted into an empty box, come back as they were.
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        std::string s;
        for (int i = 1 + static_cast<int>(rng() % 12); i > 0; --i)
            s += rng() % 3 == 0 ? std::string("\r\n") : std::string(1, static_cast<char>(1 + rng() % 255));
        set_text(Text(s));
        ASSERT_EQ(bytes(), s);
        box.viewport()->repaint(); // markers and all
        key(Qt::Key_A, Qt::ControlModifier);
        key(Qt::Key_X, Qt::ControlModifier);
        ASSERT_EQ(bytes(), "");
        key(Qt::Key_V, Qt::ControlModifier);
        ASSERT_EQ(bytes(), s) << testing::PrintToString(s);
    }
}

// A file dropped from a file manager (its address comes as text too) replaces
// the box's text, as an operation Ctrl+Z takes back; a bad file says why.
TEST_F(ListBoxTest, DroppedFileReplacesTheTextAndUndoBringsItBack)
{
    FakeDesktop desktop;
    test::TempDir dir("list_box_drop");
    std::ofstream(dir.path() / "utf16.txt", std::ios::binary) << std::string("\xff\xfe" "a\0\n\0\x2d\x4e", 8);
    std::ofstream(dir.path() / "zero.txt", std::ios::binary) << std::string("a\0", 2);
    const auto drop_file = [this](const std::filesystem::path& file) {
        QMimeData dropped;
        const QUrl url = QUrl::fromLocalFile(QString::fromStdString(file.string()));
        dropped.setUrls({url});
        dropped.setText(url.toString());
        const QPoint at(5, 5);
        QDragEnterEvent enter(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box.viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box.viewport(), &drop);
    };
    set_text(Text("kept"));
    changes = 0;
    drop_file(dir.path() / "utf16.txt");
    EXPECT_EQ(bytes(), "a\r\n\xd6\xd0");
    EXPECT_EQ(changes, 1);
    for (const char* bad : {"zero.txt", "missing.txt"}) {
        drop_file(dir.path() / bad);
        EXPECT_EQ(bytes(), "a\r\n\xd6\xd0");
    }
    ASSERT_EQ(desktop.boxes.size(), 2u);
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(bytes(), "kept");
    EXPECT_EQ(changes, 2);
}

TEST(FromPasted, AgreesWithTheLineRulesStatedTheSlowWay)
{
    const auto slow = [](QString s) {
        s = crlf_to_lf(s);
        for (const QChar end : {QChar(u'\r'), QChar(QChar::ParagraphSeparator), QChar(0xFDD0), QChar(0xFDD1)})
            s.replace(end, QLatin1Char('\n'));
        return from_box(s); // LF and the paragraph separator end a line, zero characters drop out
    };
    const char16_t pieces[] = {u'a', u'\r', u'\n', 0x2029, 0xFDD0, 0xFDD1, 0, 0x4E2D, 0x20AC, 0xDC81, 0xD83D, 0xDE00, 0x2028, 0x7F, 0x80};
    std::mt19937 rng(5);
    for (int round = 0; round < 2000; ++round) {
        QString s;
        for (int i = static_cast<int>(rng() % 10); i > 0; --i)
            s += QChar(pieces[rng() % std::size(pieces)]);
        ASSERT_EQ(from_pasted(s), slow(s)) << s.toStdString();
    }
}

TEST_F(ListBoxTest, MousePlacesTheCaretSelectsAndDoubleClickTakesAWord)
{
    set_text(Text("first line\r\nsecond words here"));
    const int line = box.caret_rect().height();
    mouse(QEvent::MouseButtonPress, QPoint(2, line + line / 2)); // the start of the second line
    mouse(QEvent::MouseButtonRelease, QPoint(2, line + line / 2));
    EXPECT_EQ(box.editor().caret(), 12u);
    mouse(QEvent::MouseButtonPress, QPoint(2, line / 2), Qt::ShiftModifier);
    EXPECT_EQ(box.editor().selection(), std::make_pair(std::size_t{0}, std::size_t{12}));
    // A drag from the top line to far below the box selects to where it reached.
    mouse(QEvent::MouseButtonPress, QPoint(2, line / 2));
    mouse(QEvent::MouseMove, QPoint(290, 500));
    mouse(QEvent::MouseButtonRelease, QPoint(290, 500));
    EXPECT_EQ(box.editor().anchor(), 0u);
    EXPECT_EQ(box.editor().caret(), box.editor().text().size());
    mouse(QEvent::MouseButtonDblClick, box.caret_rect().center() - QPoint(box.fontMetrics().horizontalAdvance(u'e'), 0));
    EXPECT_EQ(box.editor().selected(), "here");
}

TEST_F(ListBoxTest, PaintsWithThePalettesColours)
{
    QPalette p = box.palette();
    p.setColor(QPalette::Base, QColor(10, 20, 30));
    p.setColor(QPalette::Highlight, QColor(200, 0, 100));
    box.setPalette(p);
    set_text(Text("\xd6\xd0\xd6\xd0\xd6\xd0\xd6\xd0\r\nline"));
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    const QImage shot = box.viewport()->grab().toImage();
    const int line = box.caret_rect().height();
    EXPECT_EQ(shot.pixelColor(shot.width() - 2, shot.height() - 2), QColor(10, 20, 30));
    bool highlighted = false;
    for (int x = 0; x < 40; ++x)
        highlighted = highlighted || shot.pixelColor(x, line - 1) == QColor(200, 0, 100);
    EXPECT_TRUE(highlighted);
}

TEST_F(ListBoxTest, AssistiveTechnologyReadsTheTextAndCaret)
{
    set_text(Text("ab\r\n\xd6\xd0\x81"));
    key(Qt::Key_End, Qt::ControlModifier);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&box);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::EditableText);
    QAccessibleTextInterface* t = a->textInterface();
    ASSERT_NE(t, nullptr);
    const QString all = QString::fromUtf16(u"ab\r\n\u4e2d\xdc81");
    EXPECT_EQ(t->characterCount(), all.size());
    EXPECT_EQ(t->text(0, t->characterCount()), all);
    EXPECT_EQ(a->text(QAccessible::Value), all);
    EXPECT_EQ(t->cursorPosition(), all.size());
    t->setCursorPosition(5); // after 中
    EXPECT_EQ(box.editor().caret(), 6u);
    t->setSelection(0, 1, 4);
    EXPECT_EQ(box.editor().selected(), "b\r\n");
}

// A million lines: the reader gets the lines in view and the caret among
// them, never the whole text.
TEST_F(ListBoxTest, AssistiveTechnologyReadsTheLinesInViewOfAMillionLines)
{
    std::string lines;
    for (int i = 0; i < 1000000; ++i)
        lines += "line" + std::to_string(i) + "\r\n";
    set_text(Text(lines + "\xd6\xd0" "end"));
    key(Qt::Key_End, Qt::ControlModifier);
    QAccessibleTextInterface* t = QAccessible::queryAccessibleInterface(&box)->textInterface();
    ASSERT_NE(t, nullptr);
    const QString shown = t->text(0, t->characterCount());
    EXPECT_LT(shown.size(), 1000);
    EXPECT_TRUE(shown.endsWith(QString::fromUtf16(u"line999999\r\n\u4e2dend"))) << shown.toStdString();
    EXPECT_EQ(t->cursorPosition(), shown.size());
    t->setCursorPosition(shown.size() - 3); // after 中, two bytes, one character
    EXPECT_EQ(box.editor().caret(), lines.size() + 2);
    t->setCursorPosition(0);
    EXPECT_EQ(box.editor().text().line_of(box.editor().caret()), box.verticalScrollBar()->value());
}

} // namespace
