#include "app/list_text.h"

#include "app/list_box_core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace fenrow {
namespace {

// The index as a plain split on CR LF would give it.
std::vector<std::size_t> naive_starts(const std::string& s)
{
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 0; i + 1 < s.size(); ++i)
        if (s[i] == '\r' && s[i + 1] == '\n')
            starts.push_back(i + 2);
    return starts;
}

std::vector<std::size_t> starts_of(const ListText& t)
{
    std::vector<std::size_t> v;
    for (int i = 0; i < t.line_count(); ++i)
        v.push_back(t.line_start(i));
    return v;
}

// Pieces that meet in every way that matters: CR and LF alone and together,
// two- and four-byte characters, a second code, bytes that form none.
const char* const pieces[] = {"a", "\r", "\n", "\r\n", "\xd6\xd0", "\x81", "\xa2\xe3", "\x81\x30\x81\x30", " ", "\xff"};

std::string random_text(std::mt19937& rng, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += pieces[rng() % std::size(pieces)];
    return s;
}

TEST(ListText, IndexFollowsEveryEditByteForByte)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        // Up to a few hundred bytes: the index is found 64 bytes at a time.
        std::string model = random_text(rng, static_cast<int>(rng() % 80));
        ListText t{Text(std::string(model))};
        ASSERT_EQ(starts_of(t), naive_starts(model));
        for (int e = 0; e < 8; ++e) {
            const std::size_t from = model.empty() ? 0 : rng() % (model.size() + 1);
            const std::size_t to = from + rng() % (model.size() - from + 1);
            const std::string with = random_text(rng, static_cast<int>(rng() % 4));
            t.replace(from, to, with);
            model.replace(from, to - from, with);
            ASSERT_EQ(t.bytes(), model);
            ASSERT_EQ(starts_of(t), naive_starts(model)) << testing::PrintToString(model);
            std::size_t longest = 0;
            for (int i = 0; i < t.line_count(); ++i)
                longest = std::max(longest, t.line(i).size());
            ASSERT_GE(t.longest_line(), longest);
        }
    }
}

TEST(ListText, StepsOverWholeCharactersBothWays)
{
    const struct {
        std::string text;
        std::vector<std::size_t> bounds;
    } cases[] = {
        {"", {0}},
        {"a\r\nb", {0, 1, 3, 4}},
        {"\r\r\n\n", {0, 1, 3, 4}},
        {"\xd6\xd0\x81 \xa2\xe3", {0, 2, 3, 4, 6}},
        {"\x81\x30\x81\x30\xd6\xd0", {0, 4, 6}},
        {"\xd6\xd0\xd6\xd0\xd6", {0, 2, 4, 5}}, // a lead byte at the end is a byte of its own
        {"a\xd6\r\n", {0, 1, 2, 4}},
    };
    for (const auto& c : cases) {
        const ListText t{Text(std::string(c.text))};
        std::vector<std::size_t> forward{0}, backward{t.size()};
        for (std::size_t p = 0; p < t.size();)
            forward.push_back(p = t.next(p));
        for (std::size_t p = t.size(); p > 0;)
            backward.insert(backward.begin(), p = t.prev(p));
        EXPECT_EQ(forward, c.bounds) << testing::PrintToString(c.text);
        EXPECT_EQ(backward, c.bounds) << testing::PrintToString(c.text);
    }
}

TEST(ListText, GlyphsMarkWhatIsNoCharacterToShow)
{
    const struct {
        std::string line;
        std::string shown; // per glyph: c a character, m a marker
    } cases[] = {
        {"a\t\xd6\xd0\x80", "cccc"},                  // a tab and the euro sign are shown
        {"\r\n\x01\x7f", "mmmm"},                     // lone CR and LF, control characters
        {unicode_to_cp936(U"\u0080\u00a0").str(), "mc"}, // four-byte codes: a C1 control, a no-break space
        {"\xff\xa2\xe3\xd6", "mmm"},                  // bytes of no character, a second code, a lone lead byte
    };
    for (const auto& c : cases) {
        std::string shown;
        std::size_t covered = 0;
        for_each_glyph(c.line, 0, [&](const Glyph& g) {
            shown += g.marker ? 'm' : 'c';
            EXPECT_EQ(g.pos, covered);
            covered += static_cast<std::size_t>(g.length);
            return true;
        });
        EXPECT_EQ(shown, c.shown) << testing::PrintToString(c.line);
        EXPECT_EQ(covered, c.line.size());
    }
}

// Widths as a fixed-pitch face draws them: two cells for a wide character.
int cells(char32_t c) { return c >= 0x1100 ? 2 : 1; }

ListEditor editor_with(const char* text)
{
    ListEditor e(cells);
    e.set_text(ListText(Text(text)));
    return e;
}

TEST(ListEditor, TypingEnterBackspaceAndUndo)
{
    ListEditor e = editor_with("");
    for (const char* key : {"a", "\xd6\xd0", "\r\n", "b"})
        e.type(key);
    EXPECT_EQ(e.text().bytes(), "a\xd6\xd0\r\nb");
    EXPECT_EQ(e.text().line_count(), 2);
    e.erase_back();
    e.erase_back(); // the whole CR LF
    e.erase_back(); // the whole character
    EXPECT_EQ(e.text().bytes(), "a");
    e.undo();
    e.undo();
    e.undo();
    EXPECT_EQ(e.text().bytes(), "a\xd6\xd0\r\nb");
    e.undo(); // the typing was one step
    EXPECT_EQ(e.text().bytes(), "");
    EXPECT_FALSE(e.can_undo());
    e.redo();
    EXPECT_EQ(e.text().bytes(), "a\xd6\xd0\r\nb");
    EXPECT_EQ(e.caret(), e.text().size());
}

TEST(ListEditor, UndoingEveryEditGivesBackEachTextAndRedoingThemTheLast)
{
    std::mt19937 rng(9);
    for (int round = 0; round < 100; ++round) {
        ListEditor e = editor_with("");
        e.set_text(ListText(Text(random_text(rng, 6))));
        std::vector<std::string> texts{e.text().bytes()};
        for (int i = 0; i < 12; ++i) {
            const std::size_t a = rng() % (e.text().size() + 1), c = rng() % (e.text().size() + 1);
            e.select(e.text().prev(e.text().next(a)), e.text().prev(e.text().next(c)));
            const bool changed = rng() % 3 == 0   ? e.erase_back()
                                 : rng() % 2 == 0 ? e.type(random_text(rng, 1))
                                                  : e.insert(random_text(rng, 3));
            if (changed && e.can_undo())
                texts.push_back(e.text().bytes());
        }
        const std::string last = e.text().bytes();
        while (e.undo())
            ASSERT_NE(std::find(texts.begin(), texts.end(), e.text().bytes()), texts.end());
        ASSERT_EQ(e.text().bytes(), texts.front());
        while (e.redo()) {
        }
        ASSERT_EQ(e.text().bytes(), last);
    }
}

TEST(ListEditor, WordErasingStopsAtBlanksAndLineBreaks)
{
    ListEditor e = editor_with("ab cd\r\nef");
    e.select(5, 5);
    e.erase_to(Move::word_left);
    EXPECT_EQ(e.text().bytes(), "ab \r\nef");
    e.erase_to(Move::word_right); // at the line's end: the line break alone
    EXPECT_EQ(e.text().bytes(), "ab ef");
    e.select(0, 0);
    e.erase_to(Move::word_right); // the word and the blank behind it
    EXPECT_EQ(e.text().bytes(), "ef");
    EXPECT_FALSE(e.erase_to(Move::word_left));
}

TEST(ListEditor, SelectionIsReplacedAndRestored)
{
    ListEditor e = editor_with("one\r\ntwo\r\nthree");
    e.select(2, 9);
    EXPECT_EQ(e.selected(), "e\r\ntwo\r");
    e.insert("X");
    EXPECT_EQ(e.text().bytes(), "onX\nthree");
    EXPECT_EQ(e.text().line_count(), 1); // the lone LF left is no line break
    e.undo();
    EXPECT_EQ(e.text().bytes(), "one\r\ntwo\r\nthree");
    EXPECT_EQ(e.selection(), std::make_pair(std::size_t{2}, std::size_t{9}));
    e.select_all();
    e.erase_forward();
    EXPECT_EQ(e.text().bytes(), "");
}

TEST(ListEditor, CaretMovesKeepTheColumnOverWideCharacters)
{
    ListEditor e = editor_with("abcd\r\n\xd6\xd0\xd6\xd0\xd6\xd0\r\nx");
    e.select(3, 3); // after "abc", x = 3
    e.move(Move::down, false);
    EXPECT_EQ(e.caret(), 10u); // x 3 lies halfway between the boundaries at 2 and 4: the later one
    e.move(Move::down, false);
    EXPECT_EQ(e.caret(), e.text().size()); // the short line's end
    e.move(Move::up, true);
    e.move(Move::up, true);
    EXPECT_EQ(e.caret(), 3u); // the column was kept through the short line
    EXPECT_EQ(e.anchor(), e.text().size());
    e.move(Move::left, false); // collapses to the selection's start
    EXPECT_EQ(e.caret(), 3u);
    const struct {
        Move m;
        std::size_t from, to;
    } moves[] = {
        {Move::line_end, 0, 4}, {Move::line_start, 7, 6}, {Move::text_end, 0, 15}, {Move::text_start, 9, 0},
        {Move::right, 4, 6}, {Move::left, 6, 4}, {Move::word_right, 0, 4}, {Move::word_left, 6, 4},
        {Move::page_down, 0, 14}, {Move::page_up, 14, 0},
    };
    for (const auto& c : moves) {
        e.select(c.from, c.from);
        e.move(c.m, false, 5);
        EXPECT_EQ(e.caret(), c.to) << static_cast<int>(c.m);
    }
}

TEST(ListEditor, ClicksLandOnTheNearestBoundaryAndTabsReachTheirStop)
{
    ListEditor e = editor_with("\xd6\xd0" "a\tb");
    EXPECT_EQ(e.pos_at(0, 0), 0u);
    EXPECT_EQ(e.pos_at(0, 1), 2u);
    EXPECT_EQ(e.pos_at(0, 2), 2u);
    EXPECT_EQ(e.x_of(4), 8); // the tab runs from 3 to the stop at 8
    EXPECT_EQ(e.pos_at(0, 7), 4u);
    EXPECT_EQ(e.pos_at(0, 99), 5u);
    e.click(5, 0, false); // below the last line: the last line
    EXPECT_EQ(e.caret(), 0u);
}

TEST(ListEditor, DoubleClickSelectsTheWordOrTheBlanksWithinItsLine)
{
    const ListEditor base = editor_with("ab \xd6\xd0x  y\r\nz");
    const struct {
        std::size_t at, from, to;
    } cases[] = {{0, 0, 2}, {2, 2, 3}, {3, 3, 6}, {6, 6, 8}, {9, 8, 9}, {11, 11, 12}, {12, 11, 12}};
    for (const auto& c : cases) {
        ListEditor e = base;
        e.select_word(c.at);
        EXPECT_EQ(e.selection(), std::make_pair(c.from, c.to)) << c.at;
    }
}

TEST(ListEditor, AppendJoinsALoneCrWithALeadingLfAndForgetsUndo)
{
    ListEditor e = editor_with("a");
    e.move(Move::text_end, false);
    e.type("b");
    e.append("\r");
    e.append("\nc");
    EXPECT_EQ(e.text().bytes(), "ab\r\nc");
    EXPECT_EQ(e.text().line_count(), 2);
    EXPECT_EQ(e.caret(), 5u);
    EXPECT_FALSE(e.can_undo());
}

// Texts lent to a worker, handed to an operation and pasted whole are not
// copies the box keeps in step: each must still give back its exact bytes.
TEST(ListEditor, LentTakenAndPastedTextsComeBackExactly)
{
    ListEditor e = editor_with("a\r\nb");
    const std::shared_ptr<const Text> lent = e.text().share();
    e.type("x"); // the box changes, the lent bytes do not
    EXPECT_EQ(*lent, Text("a\r\nb"));
    EXPECT_EQ(e.text().bytes(), "xa\r\nb");

    e.begin_operation();
    Text taken = e.take_text(); // the step keeps the text, the caller changes a copy
    EXPECT_EQ(e.text().size(), 0u);
    taken.edit([](std::string& bytes) { bytes[0] = 'y'; });
    e.set_text(ListText(std::move(taken)));
    EXPECT_EQ(e.text().bytes(), "ya\r\nb");
    EXPECT_TRUE(e.undo_operation());
    EXPECT_EQ(e.text().bytes(), "xa\r\nb");
    EXPECT_EQ(e.text().line_count(), 2);
    EXPECT_EQ(e.take_text(), Text("xa\r\nb")); // no operation: the box keeps it
    EXPECT_EQ(e.text().bytes(), "xa\r\nb");

    EXPECT_TRUE(e.insert_whole(Text("p\r\nq")));
    EXPECT_EQ(e.text().line_count(), 2);
    EXPECT_EQ(e.caret(), 4u);
    EXPECT_TRUE(e.undo()); // one step back to nothing, and redone
    EXPECT_EQ(e.text().bytes(), "");
    EXPECT_TRUE(e.redo());
    EXPECT_EQ(e.text().bytes(), "p\r\nq");
}

// One operation is one step, however many writes it makes; typing after it
// drops the step, and an unannounced write adds to the step already taken.
TEST(ListEditor, AnOperationIsOneStepUntilTyping)
{
    ListEditor e = editor_with("before");
    e.set_text(ListText(Text("program"))); // no operation announced: nothing kept
    EXPECT_FALSE(e.can_undo());

    e.begin_operation("note");
    e.set_text(ListText(Text("")));
    e.append("batch 1\r\n");
    e.append("batch 2");
    e.set_text(ListText(Text("final")));
    ASSERT_TRUE(e.can_undo_operation());
    EXPECT_FALSE(e.can_undo_typing());
    EXPECT_EQ(e.operation_note(), Text("note"));
    EXPECT_TRUE(e.undo()); // Ctrl+Z right after it
    EXPECT_EQ(e.text().bytes(), "program");
    EXPECT_EQ(e.text().line_count(), 1);
    EXPECT_FALSE(e.can_undo());

    e.begin_operation();
    e.append("\r\nmore"); // an append as the first write keeps a copy
    e.begin_operation();
    e.set_text(ListText(Text("second"))); // the newer operation's step replaces it
    EXPECT_TRUE(e.undo_operation());
    EXPECT_EQ(e.text().bytes(), "program\r\nmore");
    EXPECT_FALSE(e.undo_operation());

    e.begin_operation();
    e.set_text(ListText(Text("op")));
    e.move(Move::text_end, false);
    e.type("!");
    EXPECT_FALSE(e.can_undo_operation());
    EXPECT_TRUE(e.undo()); // typing undoes as usual, and no further
    EXPECT_EQ(e.text().bytes(), "op");
    EXPECT_FALSE(e.undo());
}

} // namespace
} // namespace fenrow

namespace fenrow {

// A line cut into runs as both toolkits draw it: every glyph 10 wide here,
// so x positions count glyphs.
TEST(LineLayout, RunsSelectionCaretAndInsertedRoom)
{
    ListBoxCore box([](char32_t) { return 10; });
    box.set_text(ListText(Text("ab\x81\t\xd6\xd0\r\nz")));
    box.select(1, 3); // "b" and the lone lead byte
    LineLayout out;
    lay_out_line(box.editor(), 0, 0, 1000, 0, measured_line_bytes, out);
    ASSERT_EQ(out.runs.size(), 3u); // a | b and the marker, selected | 中 behind the tab, which is not drawn
    EXPECT_EQ(out.runs[0].text, u"a");
    EXPECT_EQ(out.runs[1].style, RunStyle::selected);
    EXPECT_EQ(out.runs[1].text, u"b\uFFFD");
    EXPECT_EQ(out.runs[2].style, RunStyle::plain);
    EXPECT_EQ(out.runs[2].x, 80); // behind the tab's stop
    EXPECT_EQ(out.selection_x, 10);
    EXPECT_EQ(out.selection_end, 30);
    EXPECT_EQ(out.caret_x, 30);
    EXPECT_EQ(out.width, 90);

    box.select(6, 9); // the line break and "z": a space's width of highlight behind the line
    lay_out_line(box.editor(), 0, 0, 1000, 0, measured_line_bytes, out);
    EXPECT_EQ(out.selection_x, 90);
    EXPECT_EQ(out.selection_end, 100);
    EXPECT_EQ(out.caret_x, -1);

    box.select(1, 1); // an input method's text opens room at the caret
    lay_out_line(box.editor(), 0, 15, 45, 25, measured_line_bytes, out);
    EXPECT_EQ(out.insert_x, 10);
    EXPECT_EQ(out.caret_x, 35);
    ASSERT_FALSE(out.runs.empty());
    EXPECT_EQ(out.runs.front().x, 35); // "a" lies before from_x: not drawn
    EXPECT_EQ(out.width, 90);          // the tab reaches the same stop
    lay_out_line(box.editor(), 0, 0, 20, 0, 2, out); // longer than measured whole: stops at the view
    EXPECT_EQ(out.width, -1);
}

// The keys both toolkits map, and the menu they show.
TEST(BoxCommands, KeysAndMenuAsEditBoxesHaveThem)
{
    using C = BoxCommand;
    EXPECT_EQ(command_for_key(BoxKey::left, true, true), (C{C::go, Move::word_left, true}));
    EXPECT_EQ(command_for_key(BoxKey::end, true, false), (C{C::go, Move::text_end, false}));
    EXPECT_EQ(command_for_key(BoxKey::del, false, true).kind, C::cut);
    EXPECT_EQ(command_for_key(BoxKey::del, true, false), (C{C::erase_to, Move::word_right}));
    EXPECT_EQ(command_for_key(BoxKey::backspace, true, false), (C{C::erase_to, Move::word_left}));
    EXPECT_EQ(command_for_key(BoxKey::insert, true, false).kind, C::copy);
    EXPECT_EQ(command_for_key(BoxKey::insert, false, true).kind, C::paste);
    EXPECT_EQ(command_for_key(BoxKey::z, true, true).kind, C::redo);
    EXPECT_EQ(command_for_key(BoxKey::y, true, false).kind, C::redo);
    EXPECT_EQ(command_for_key(BoxKey::v, false, false).kind, C::none); // typed, not pasted

    ListBoxCore box([](char32_t) { return 1; });
    box.set_text(ListText(Text("before")));
    box.begin_operation("note");
    box.set_text(ListText(Text("after")));
    const auto enabled = [&](C::Kind k) {
        for (const BoxMenuItem& item : box.menu())
            if (item.command == k)
                return item.enabled;
        return false;
    };
    EXPECT_TRUE(enabled(C::undo_operation));
    EXPECT_FALSE(enabled(C::copy));
    Text undone;
    box.operation_undone = [&](const Text& note) { undone = note; };
    box.run({C::undo});
    EXPECT_EQ(box.text(), Text("before"));
    EXPECT_EQ(undone, Text("note"));
    EXPECT_FALSE(enabled(C::undo_operation));
}

// What a screen reader gets: the caret's line and the selection, never more
// than the cap and never half a character, however long the line.
TEST(BoxCommands, ReadersGetTheCaretLineAndTheSelectionCapped)
{
    const std::string wide(accessible_text_bytes - 1, 'a'); // a two-byte character would cross the cap
    ListEditor e = editor_with(("ab\r\n\xd6\xd0z\r\n" + wide + "\xd6\xd0tail").c_str());
    EXPECT_EQ(accessible_caret_line(e), "ab");
    EXPECT_EQ(accessible_selection(e), "");
    e.select(1, 6); // over a line break
    EXPECT_EQ(accessible_caret_line(e), "\xd6\xd0z");
    EXPECT_EQ(accessible_selection(e), "b\r\n\xd6\xd0");
    e.select(0, e.text().size());
    EXPECT_EQ(accessible_caret_line(e), wide);
    EXPECT_EQ(accessible_selection(e).size(), accessible_text_bytes);
    EXPECT_EQ(accessible_selection(e).substr(0, 8), "ab\r\n\xd6\xd0z\r");
}

} // namespace fenrow
