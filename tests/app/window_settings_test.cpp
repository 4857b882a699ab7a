// The option boxes' settings: written when the window closes, put back by the
// next window, and a damaged file met with the initial values and a note.
#include "app/window_settings.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "tests/support/print.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using namespace fenrow;
namespace fs = std::filesystem;

namespace {

// window_settings_file pointed into a fresh folder for one test.
struct SettingsFile {
    test::TempDir dir{"fenrow-settings-"};
    fs::path file = dir.path() / "sub" / "fenrow.ini";
    SettingsFile()
    {
        const std::u8string name = file.u8string();
        window_settings_file = text_from_utf8(std::string(name.begin(), name.end()));
    }
    ~SettingsFile() { window_settings_file = Text(); }
    void put(const std::string& bytes) const
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }
    std::string get() const
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

Text hint(MemoryControls& w) { return w.pane_text(ctl::status_bar, hint_pane); }

// Each kept control's value as the window shows it.
std::string values(MemoryControls& w)
{
    std::string out;
    for (const ControlSpec& row : control_table()) {
        if (!kept_in_settings(row))
            continue;
        out += std::string(row.name.utf8) + ": ";
        if (row.kind == ControlKind::edit)
            out += testing::PrintToString(w.get_content(row.name));
        else if (row.kind == ControlKind::combo_box)
            out += std::to_string(w.get_selection(row.name));
        else
            out += w.is_checked(row.name) ? "on" : "off";
        out += '\n';
    }
    return out;
}

} // namespace

TEST(WindowSettings, EveryOptionComesBackAndTheListsStayOut)
{
    using namespace ctl;
    const SettingsFile settings;
    const std::pair<ControlName, Text> edits[] = {
        {extract_head, ""},
        {extract_tail, "a=b;c"},
        {prefix_text, "  blanks at both ends  "},
        {suffix_symbol, "\\"},
        {suffix_text, "后缀=中文;"_t},
        {file_name, T("\xA2\xE3\x81")},   // a second code of the euro sign, then a lone lead byte
        {top_line, "[x]\r\nnext\\n\r"},
        {number_separator, "=="},
        {block_size, "six"},              // what the user typed, number or not
        {group_size, T("\x95\x32\x90\x31")}, // beyond the code page: its four-byte form
        {mark_symbol, "\\x41"},
    };
    MemoryControls before(control_table());
    for (const auto& [c, t] : edits)
        before.set_content(c, t);
    for (ControlName c : {prefix_check, suffix_check, top_line_check, number_check, mark_check})
        before.set_checked(c, !before.is_checked(c));
    before.set_checked(mark_last, true);
    before.set_selection(file_extension, 1);
    before.set_content(left_box, "user1 secret-left");
    before.set_content(right_box, "secret-right");
    ASSERT_TRUE(save_window_settings(before));

    const std::string file = settings.get();
    EXPECT_TRUE(valid_utf8(file));
    EXPECT_EQ(file.find("secret"), std::string::npos); // the lists hold passwords
    std::size_t lines = 0;
    for (std::size_t i = 0; (i = file.find('\n', i)) != std::string::npos; ++i, ++lines)
        EXPECT_EQ(file[i - 1], '\r') << i;
    EXPECT_EQ(lines, 2 + 11 + 5 + 2 + 1u); // comment, section, the edits, checks, radios, combo
    EXPECT_NE(file.find("\r\n" + std::string(extract_tail.utf8) + "=a=b;c\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\n" + std::string(file_extension.utf8) + "=.ini\r\n"), std::string::npos);

    MemoryControls after(control_table());
    restore_window_settings(after);
    EXPECT_EQ(values(after), values(before));
    EXPECT_EQ(hint(after), Text());
    EXPECT_EQ(after.get_content(left_box), Text());
}

TEST(WindowSettings, DamageGivesInitialValuesWhereItIsAndANote)
{
    using namespace ctl;
    const SettingsFile settings;
    MemoryControls changed(control_table());
    changed.set_content(extract_tail, "X");
    changed.set_content(block_size, "abc");
    changed.set_checked(prefix_check, false);
    changed.set_checked(mark_last, true);
    changed.set_selection(file_extension, 1);
    const std::string good = settings_text(changed); // UTF-8, as this source is
    const auto key = [](ControlName c) { return "\n" + std::string(c.utf8) + "="; };
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        return s.replace(s.find(from), from.size(), to);
    };
    std::string lf_only = good;
    std::erase(lf_only, '\r');
    const std::string cut_in_character = good.substr(0, good.find(key(extract_tail)) + 2);

    const struct {
        const char* name;
        std::string file;
        bool note;
        // Which of the changed values the window shows; the others are initial.
        bool tail, count, check, radio, combo;
    } cases[] = {
        {"intact", good, false, true, true, true, true, true},
        {"garbage", std::string("\xff\xfe\x00\x81garbage\r\n", 13), true, false, false, false, false, false},
        {"cut inside a character", cut_in_character, true, false, false, false, false, false},
        {"cut inside the last line", good.substr(0, good.size() - 3), true, true, true, true, false, true},
        {"cut at a line's end", good.substr(0, good.find(key(file_name)) + 1), false, true, false, true, false, false},
        {"empty, as made for a portable copy", "", false, false, false, false, false, false},
        {"too large", std::string(settings_file_limit, ';') + "\r\n" + good, true, false, false, false, false, false},
        {"a line without =", replaced(key(suffix_check), "\n" + std::string(suffix_check.utf8)), true, true, true, true, true, true},
        {"a line before the section", "x=1\r\n" + good, true, true, true, true, true, true},
        {"check neither 1 nor 0", replaced(key(prefix_check) + "0", key(prefix_check) + "yes"), true, true, true, false, true, true},
        {"both radio boxes on", replaced(key(mark_first) + "0", key(mark_first) + "1"), true, true, true, true, false, true},
        {"no radio box on", replaced(key(mark_last) + "1", key(mark_last) + "0"), true, true, true, true, false, true},
        {"an item the list lacks", replaced("=.ini", "=.doc"), true, true, true, true, true, false},
        {"an escape never written", replaced(key(extract_tail) + "X", key(extract_tail) + "X\\q"), true, false, true, true, true, true},
        {"a zero byte escaped", replaced(key(extract_tail) + "X", key(extract_tail) + "\\x00"), true, false, true, true, true, true},
        // What editors and later versions may leave is no damage.
        {"LF line ends and a BOM", "\xEF\xBB\xBF" + lf_only, false, true, true, true, true, true},
        {"unknown keys and sections", "[其他]\r\nno equals sign\r\n" + replaced(key(extract_tail) + "X", key(extract_tail) + "X\r\n未知=1\r\n; note") +
                                          "[后来]" + key(extract_tail) + "Y\r\n", false, true, true, true, true, true},
        {"an edited count", replaced(key(block_size) + "abc", key(block_size) + " 7 "), false, true, false, true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.put(c.file);
        MemoryControls w(control_table());
        restore_window_settings(w);
        EXPECT_EQ(hint(w), c.note ? damaged_settings_note(window_settings_file) : Text());
        EXPECT_EQ(w.get_content(extract_tail), c.tail ? Text("X") : Text(","));
        if (std::string(c.name) != "an edited count")
            EXPECT_EQ(w.get_content(block_size), c.count ? Text("abc") : Text("6"));
        else
            EXPECT_EQ(w.get_content(block_size), Text(" 7 "));
        EXPECT_EQ(w.is_checked(prefix_check), !c.check);
        EXPECT_EQ(w.is_checked(mark_last), c.radio);
        EXPECT_NE(w.is_checked(mark_first), w.is_checked(mark_last));
        EXPECT_EQ(w.get_selection(file_extension), c.combo ? 1 : 0);
    }
}

TEST(WindowSettings, MissingUnreadableAndUnwritableFilesStopNothing)
{
    const SettingsFile settings;
    MemoryControls first(control_table());
    restore_window_settings(first); // the first start: nothing to say
    EXPECT_EQ(hint(first), Text());

    fs::create_directories(settings.file); // a folder where the file should be
    MemoryControls w(control_table());
    restore_window_settings(w);
    EXPECT_EQ(hint(w), unreadable_settings_note(window_settings_file));
    EXPECT_EQ(w.get_content(ctl::extract_tail), Text(","));
    EXPECT_FALSE(save_window_settings(w));

    window_settings_file = Text(); // a window that keeps no settings touches no file
    EXPECT_FALSE(save_window_settings(w));
}
