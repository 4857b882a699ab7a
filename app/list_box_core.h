// What a large box (编辑框_原, 编辑框_后) does, whatever toolkit draws it:
// the command behind a key and behind each item of its context menu, undo,
// the clipboard, files opened, saved and dropped, and a line cut into the
// runs the toolkit draws. The toolkit's box maps its keys, draws the runs,
// shows the menu it is given and serves the view below. Everything here runs
// on the user-interface thread; the window carries workers' calls there.
#pragma once

#include "app/list_file.h"
#include "app/list_text.h"
#include "ops/list_tools.h"
#include "runtime/text.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenrow {

enum class BoxKey { left, right, up, down, home, end, page_up, page_down, backspace, del, insert, enter, a, c, v, x, y, z };

struct BoxCommand {
    enum Kind {
        none, go, select_all, copy, cut, paste, erase, erase_back, erase_forward, erase_to, new_line,
        undo, undo_operation, redo, open_file, save_file, stop
    };
    Kind kind = none;
    Move move = Move::left; // for go and erase_to
    bool extend = false;    // going, the selection grows
    friend bool operator==(const BoxCommand&, const BoxCommand&) = default;
};

// The command of a key with Ctrl and Shift as held; none for a key the box
// leaves to its toolkit (a character is typed instead).
BoxCommand command_for_key(BoxKey key, bool ctrl, bool shift);

// One item of the context menu: a command, a list tool (command none, tool
// set), a submenu (command none, items), or a separator (none of these).
struct BoxMenuItem {
    BoxCommand::Kind command;
    Text caption; // with its access key
    bool enabled;
    std::optional<ListTool> tool = std::nullopt;
    std::vector<BoxMenuItem> items = {};
    std::optional<FileEncoding> reopen_in = std::nullopt; // the last file opened, again in this encoding
    bool separator() const { return command == BoxCommand::none && !tool && items.empty() && !reopen_in; }
    // A number of its own in the menu, for toolkits whose menus give one back
    // (ListBoxCore::choose); 0 for a separator or a submenu.
    int id() const
    {
        return tool ? first_tool_id + static_cast<int>(*tool)
                    : reopen_in ? first_encoding_id + static_cast<int>(*reopen_in) : command;
    }
    static constexpr int first_tool_id = 100, first_encoding_id = 200;
};

// The file dialogs' words: their titles and the kinds of file they offer.
struct FileDialogWords {
    Text open_title, save_title;
    Text text_files, all_files;           // *.txt and everything, to open
    Text gbk_text_files, utf8_text_files; // *.txt, to save
};
const FileDialogWords& file_dialog_words();

// What a paste found: the text, or why there is none.
struct ClipboardRead {
    enum Outcome { text, busy, no_text } outcome = no_text;
    Text content; // with outcome text: never empty
};
// Where a paste reads: the clipboard, or the desktop's selection (a middle click).
enum class PasteSource { clipboard, selection };

// Why a paste changed nothing, in the words the user is shown.
Text paste_refusal(ClipboardRead::Outcome why);

// What the toolkit's box does for the shared behaviour.
class ListBoxView {
public:
    virtual ~ListBoxView() = default;
    // The text was replaced: the view goes back to its start.
    virtual void text_replaced() = 0;
    // After an edit or a move: the scroll ranges (when the text changed), the
    // caret into view, a repaint.
    virtual void caret_moved(bool text_changed) = 0;
    virtual int page_lines() = 0;
    // Before a page move: the view a page up (-1) or down (1).
    virtual void scroll_page(int direction) = 0;
    // The clipboard's (or the selection's) text with every line break CR LF,
    // or why it cannot be had; an empty text counts as none.
    virtual ClipboardRead clipboard_text(PasteSource from = PasteSource::clipboard) = 0;
    virtual bool clipboard_has_text() = 0;
    virtual void put_on_clipboard(const Text& t) = 0;
    // The system's dialogs; nothing when the user cancels.
    virtual std::optional<Text> choose_file_to_open() = 0;
    virtual std::optional<std::pair<Text, SaveEncoding>> choose_file_to_save() = 0;
};

class ListBoxCore {
public:
    // advance: a character's width in the box's font.
    explicit ListBoxCore(std::function<int(char32_t)> advance) : editor_(std::move(advance)) {}
    void set_view(ListBoxView* view) { view_ = view; }
    const ListEditor& editor() const { return editor_; }
    // What a screen reader calls the box (accessible_name of its control).
    const Text& name() const { return name_; }
    void set_name(Text name) { name_ = std::move(name); }

    // The program's writes, each raising content_changed once; an operation's
    // first write after begin_operation keeps the text before it.
    void set_text(ListText t);
    void append(std::string_view bytes);
    void begin_operation(const Text& undo_note) { editor_.begin_operation(undo_note); }
    // The operation ran out of memory: the text as before it (ListEditor).
    void abandon_operation();
    Text text() const { return editor_.text().text(); }
    // The text for a caller that gives the box its new one next (set_text);
    // nothing is shown in between (ListEditor::take_text).
    Text take_text() { return editor_.take_text(); }
    int line_count() const { return editor_.text().line_count(); }

    // What the user does. A command that runs out of memory says so and
    // changes nothing.
    void run(const BoxCommand& c);
    void type(std::string_view bytes);   // typed characters run into one undo step
    void insert(std::string_view bytes); // a paste or a drop: a step of its own
    // Reads the clipboard first; only text in hand changes the box: in place
    // of the whole text (the paste buttons) or of the selection. Nothing read:
    // the box stays as it was and paste_refused says why.
    void paste(PasteSource from = PasteSource::clipboard, bool whole = false);
    void click(int line, int x, bool extend);
    void select(std::size_t anchor, std::size_t caret);
    void select_word(std::size_t pos);
    // The file's text in place of the box's, as an operation undo takes back;
    // a file that cannot be read (or held) says why in a message box and
    // changes nothing.
    bool open_file(const Text& path);
    // The last file opened into the box, again, in that encoding; false when
    // none was opened or it cannot be read now.
    bool reopen(FileEncoding e);
    bool save_file(const Text& path, SaveEncoding e);
    std::vector<BoxMenuItem> menu();
    // Runs the menu's item with that id (BoxMenuItem::id); 0 does nothing.
    void choose(int id);

    // Raised once for every change of the text, the user's and the program's.
    std::function<void()> content_changed;
    // Raised with the operation's note when its step is undone.
    std::function<void(const Text&)> operation_undone;
    // Raised with the file's path and the encoding it was read in when a file
    // was opened into the box.
    std::function<void(const Text& path, FileEncoding e)> file_opened;
    // Raised with the reason when a paste found nothing to put in.
    std::function<void(const Text&)> paste_refused;
    // Raised when a list tool is chosen in the menu; the window runs it.
    std::function<void(ListTool)> tool_chosen;
    // The window's: whether an operation runs that stop would end ("停止" in the menu).
    std::function<bool()> busy;
    std::function<void()> stop;
    // The window's: runs long work (a paste, a file read or written) where
    // the user sees its progress and may stop it; without it, at once.
    std::function<void(const Text& label, const std::function<void()>& work)> watched;

private:
    void run_command(const BoxCommand& c);
    void watch(const Text& label, const std::function<void()>& work);
    bool read_file_in(const Text& path, std::optional<FileEncoding> as = std::nullopt);
    void paste_now(PasteSource from, bool whole);
    void edited(bool changed);
    void replaced();
    void undo();
    void copy();

    ListEditor editor_;
    ListBoxView* view_ = nullptr;
    Text name_;
    std::optional<Text> opened_; // the last file opened into the box
};

// What a screen reader is given of a box, cut after at most this many bytes
// at a character's end, so that a box of millions of lines (or one line of
// millions of characters) is never converted whole.
inline constexpr std::size_t accessible_text_bytes = 4096;
// The part of a box a screen reader is given, in bytes: the lines in view
// (first to last) when the caret is among them, else the caret's line; around
// the caret and cut at characters when longer than accessible_window_bytes.
// Its questions are answered from this and the caret, never the whole text.
struct ByteSpan {
    std::size_t from = 0, to = 0;
    friend bool operator==(const ByteSpan&, const ByteSpan&) = default;
};
inline constexpr std::size_t accessible_window_bytes = 64 * 1024;
ByteSpan accessible_window(const ListEditor& e, int first_line, int last_line);
// The caret's line without its line break, from the line's start.
std::string_view accessible_caret_line(const ListEditor& e);
// The selected text, line breaks included; empty without a selection.
std::string_view accessible_selection(const ListEditor& e);

// A line cut into what the toolkit draws between two x positions (pixels
// from the line's start): runs of one style, the selection's extent and the
// caret. Tabs are not drawn, only stepped over.
enum class RunStyle { plain, selected, marker };
struct GlyphRun {
    int x = 0;
    RunStyle style = RunStyle::plain;
    std::u16string text;
    std::vector<int> advances; // one per code unit; 0 for a pair's second unit
    int end = 0;
};
struct LineLayout {
    std::vector<GlyphRun> runs;
    int selection_x = -1, selection_end = -1; // highlighted, a selected line break included
    int caret_x = -1;  // -1: not on this line, or beyond the view
    int insert_x = -1; // where the inserted width (an input method's text) begins
    int width = -1;    // the whole line's, when it was measured to its end
};
// Lines up to this many bytes are measured whole when drawn, to widen the
// horizontal range; longer ones are left to the guess from their bytes.
inline constexpr std::size_t measured_line_bytes = 4096;
// insert_width: room kept open at the caret. A line of up to measure_limit
// bytes is measured to its end, beyond the view, so that its width is known.
void lay_out_line(const ListEditor& editor, int line, int from_x, int to_x, int insert_width,
                  std::size_t measure_limit, LineLayout& out);

} // namespace fenrow
