#include "ops/generate.h"

#include "app/control_table.h"
#include "app/memory_window.h"
#include "app/shell.h"
#include "ops/handlers.h"
#include "runtime/codepage.h"
#include "runtime/files.h"
#include "tests/support/fake_desktop.h"
#include "tests/support/file_rules.h"
#include "tests/support/print.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace fenrow;
namespace fs = std::filesystem;

namespace {

const Text short_list_text = "前部分账号已分完，剩余账号小于待分账号个数，存在左侧！"_t;
const Text done = "生成完毕！"_t;
const Text settings_missing = "请先设置好生成个数,和生成文本名字!"_t;
const Text left_empty = "左侧编辑框不能为空！"_t;
const Text seven = "a1\r\na2\r\na3\r\na4\r\na5\r\na6\r\na7";

// File name on disk (UTF-8) → content (code-page-936 bytes).
using Files = std::map<std::string, Text>;

std::string utf8_of(const fs::path& p)
{
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}

struct Inputs {
    Text left;
    Text count = "3";
    Text name = "账号"_t;
    int extension = 0; // .txt
    bool numbered = true;
    Text separator = "=";
    bool with_top = true;
    Text top = "[账号]"_t;
};

class GenerateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The program's directory lies one level down, so that a name leading
        // out of it still lands in the test's own directory.
        outer_ = fenrow::test::make_temp_dir("fenrow-generate-");
        dir_ = outer_ / "program";
        fs::create_directory(dir_);
        override_program_dir(text_from_utf8(utf8_of(dir_)));
    }
    void TearDown() override
    {
        override_program_dir(std::nullopt);
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(outer_, ec);
    }

    void prepare(const Inputs& s)
    {
        ui.set_content(ctl::left_box, s.left);
        ui.set_content(ctl::right_box, "right box");
        ui.set_content(ctl::block_size, s.count);
        ui.set_content(ctl::file_name, s.name);
        ui.set_selection(ctl::file_extension, s.extension);
        ui.set_checked(ctl::number_check, s.numbered);
        ui.set_content(ctl::number_separator, s.separator);
        ui.set_checked(ctl::top_line_check, s.with_top);
        ui.set_content(ctl::top_line, s.top);
    }

    // Regular files only; a directory in the way shows as "<dir>".
    Files files() const
    {
        Files out;
        for (const auto& e : fs::directory_iterator(dir_)) {
            std::ifstream in(e.path(), std::ios::binary);
            out[utf8_of(e.path().filename())] =
                e.is_directory() ? Text("<dir>") : Text(std::string(std::istreambuf_iterator<char>(in), {}));
        }
        return out;
    }
    std::vector<Text> messages() const
    {
        std::vector<Text> out;
        for (const FakeDesktop::Box& b : desktop.boxes)
            out.push_back(b.content + " | " + b.title);
        return out;
    }
    Text left() { return ui.get_content(ctl::left_box); }
    Text right() { return ui.get_content(ctl::right_box); }

    fs::path outer_, dir_;
    MemoryControls ui{control_table()};
    FakeDesktop desktop;
};

Text tip(const Text& content) { return content + " | " + "提示！"_t; }
Text info(const Text& content) { return content + " | " + "信息："_t; }

TEST_F(GenerateTest, RunsAsTheTableSays)
{
    const Text top_only = "[账号]"_t;
    const struct {
        const char* name;
        Inputs inputs;
        Files files;
        Text left_after;
        bool right_emptied;
        std::vector<Text> messages;
    } cases[] = {
        {"worked example", {seven},
         {{"账号1.txt", "[账号]\r\n1=a1\r\n2=a2\r\n3=a3"_t}, {"账号2.txt", "[账号]\r\n1=a4\r\n2=a5\r\n3=a6"_t}},
         "a7", true, {tip(done)}},
        {"whole blocks only", {"a1\r\na2\r\na3\r\na4\r\na5\r\na6", "3", "f"_t, 0, false, "", false},
         {{"f1.txt", "a1\r\na2\r\na3"}, {"f2.txt", "a4\r\na5\r\na6"}}, "", true, {tip(done)}},
        {"fewer than one block", {"a1\r\na2"}, {}, "a1\r\na2", false, {tip(done)}},
        {"trailing CR LF adds no line", {"a1\r\na2\r\na3\r\na4\r\n", "2", "f"_t, 0, false, "", false},
         {{"f1.txt", "a1\r\na2"}, {"f2.txt", "a3\r\na4"}}, "", true, {tip(done)}},
        {"blank line counts and is taken", {"a1\r\n\r\na2\r\na3", "2", "f"_t, 0, false, "", false},
         {{"f1.txt", "a1\r\n"}, {"f2.txt", "a2\r\na3"}}, "", true, {tip(done)}},
        {"numbered blank line", {"a1\r\n\r\na3\r\na4"},
         {{"账号1.txt", "[账号]\r\n1=a1\r\n2=\r\n3=a3"_t}}, "a4", true, {tip(done)}},
        {"trailing blank lines make a later block short", {"a1\r\na2\r\na3\r\na4\r\n\r\n\r\n"},
         {{"账号1.txt", "[账号]\r\n1=a1\r\n2=a2\r\n3=a3"_t}, {"账号2.txt", top_only}}, "a4", true,
         {info(short_list_text), tip(done)}},
        {"short block without top text is an empty file",
         {"a1\r\na2\r\na3\r\na4\r\n\r\n\r\n", "3", "f"_t, 0, false, "", false},
         {{"f1.txt", "a1\r\na2\r\na3"}, {"f2.txt", ""}}, "a4", true, {info(short_list_text), tip(done)}},
        {"zero count", {seven, "0"}, {}, seven, false, {tip(done)}},
        {"count not a number", {seven, "abc"}, {}, seven, false, {tip(done)}},
        {"negative count", {seven, "-3"}, {}, seven, false, {tip(done)}},
        {"count larger than the list", {seven, "8"}, {}, seven, false, {tip(done)}},
        {"full-width count", {seven, "３"_t},
         {{"账号1.txt", "[账号]\r\n1=a1\r\n2=a2\r\n3=a3"_t}, {"账号2.txt", "[账号]\r\n1=a4\r\n2=a5\r\n3=a6"_t}},
         "a7", true, {tip(done)}},
        {".ini selected", {seven, "3", "账号"_t, 1},
         {{"账号1.ini", "[账号]\r\n1=a1\r\n2=a2\r\n3=a3"_t}, {"账号2.ini", "[账号]\r\n1=a4\r\n2=a5\r\n3=a6"_t}},
         "a7", true, {tip(done)}},
        {"no extension selected", {"a1\r\na2", "2", "f"_t, -1, false, "", false}, {{"f1", "a1\r\na2"}}, "", true,
         {tip(done)}},
        {"Chinese accounts, own separator and top", {"张三----密码1\r\n李四----密码2\r\n王五"_t, "2", "号"_t, 0,
                                                      true, "、"_t, true, "【名单】"_t},
         {{"号1.txt", "【名单】\r\n1、张三----密码1\r\n2、李四----密码2"_t}}, "王五"_t, true, {tip(done)}},
        {"name ending in the byte of '\\'", {"a1\r\na2", "2", "運"_t, 0, false, "", false}, {{"運1.txt", "a1\r\na2"}},
         "", true, {tip(done)}},
        {"empty name", {seven, "3", ""}, {}, seven, false, {tip(settings_missing)}},
        {"empty count", {seven, ""}, {}, seven, false, {tip(settings_missing)}},
        {"empty list", {"", "3"}, {}, "", false, {tip(left_empty)}},
        {"name leading out", {seven, "3", "../x"}, {}, seven, false,
         {tip("文本“../x1.txt”生成失败：文本名不能含有“/”或“..”！未生成的账号仍留在左侧。"_t)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_);
        fs::create_directory(dir_);
        desktop.boxes.clear();
        prepare(c.inputs);
        generate_text_files(ui);
        EXPECT_EQ(files(), c.files);
        EXPECT_EQ(left(), c.left_after);
        EXPECT_EQ(right(), c.right_emptied ? Text() : Text("right box"));
        EXPECT_EQ(messages(), c.messages);
    }
}

TEST_F(GenerateTest, NameAndExtensionAreReadForEveryFile)
{
    prepare({seven});
    int reads = 0;
    // Every emptying of the right box starts a block: rename the next file.
    ui.on_content_changed = [&](ControlName c) {
        if (c == ctl::right_box && ++reads == 1) {
            ui.set_content(ctl::file_name, "b");
            ui.set_selection(ctl::file_extension, 1);
        }
    };
    generate_text_files(ui);
    const Files f = files();
    EXPECT_EQ(f.count("账号1.txt"), 1u);
    EXPECT_EQ(f.count("b2.ini"), 1u);
}

TEST_F(GenerateTest, SecondRunReplacesTheFilesWhenTold)
{
    prepare({seven});
    generate_text_files(ui);
    prepare({"x1\r\nx2\r\nx3\r\nx4", "2", "账号"_t, 0, false, "", false});
    desktop.answers = {button_yes};
    generate_text_files(ui);
    const Files expected = {{"账号1.txt", "x1\r\nx2"}, {"账号2.txt", "x3\r\nx4"}};
    EXPECT_EQ(files(), expected);
}

// Files of the run's names already there: one question before anything is
// written; its three answers.
TEST_F(GenerateTest, FilesInTheWayAreAskedAboutOnce)
{
    const Text list = "x1\r\nx2\r\nx3\r\nx4\r\nx5";
    const Files before = {{"账号1.txt", "old1"}, {"账号7.txt", "old7"}, {"账号07.txt", "z"}, {"账号x.txt", "z"},
                          {"账号3.ini", "z"}};
    const struct {
        const char* name;
        int answer;
        Files added;
        Text left_after;
    } cases[] = {
        {"cancel", button_cancel, {}, list},
        {"overwrite", button_yes, {{"账号1.txt", "x1\r\nx2"}, {"账号2.txt", "x3\r\nx4"}}, "x5"},
        {"continue", button_no, {{"账号8.txt", "x1\r\nx2"}, {"账号9.txt", "x3\r\nx4"}}, "x5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir_);
        fs::create_directory(dir_);
        for (const auto& [name, content] : before)
            std::ofstream(dir_ / fs::path(std::u8string(name.begin(), name.end())), std::ios::binary) << content.view();
        desktop.boxes.clear();
        desktop.answers = {c.answer};
        prepare({list, "2", "账号"_t, 0, false, "", false});
        generate_text_files(ui);
        Files expected = before;
        for (const auto& [name, content] : c.added)
            expected[name] = content;
        EXPECT_EQ(files(), expected);
        EXPECT_EQ(left(), c.left_after);
        ASSERT_FALSE(desktop.boxes.empty());
        EXPECT_EQ(desktop.boxes[0].content,
                  "文件夹中已有同名文件 账号1.txt。\r\n是：覆盖它们　否：接着最大的编号往后生成　取消：不生成"_t);
        EXPECT_EQ(desktop.boxes[0].style & 0xF, box_yes_no_cancel);
        EXPECT_EQ(desktop.boxes.size(), c.answer == button_cancel ? 1u : 2u); // then 生成完毕
    }
    // Names beyond what the run writes are not in its way.
    fs::remove(dir_ / fs::path(u8"账号1.txt"));
    desktop.boxes.clear();
    prepare({list, "2", "账号"_t, 0, false, "", false});
    generate_text_files(ui);
    EXPECT_EQ(files().count("账号1.txt"), 1u);
    EXPECT_EQ(desktop.boxes.size(), 1u);

    GenerateOptions o;
    o.count = "1";
    o.directory = text_from_utf8(utf8_of(dir_));
    const ExistingFiles e = existing_files("a\r\nb\r\nc", o);
    EXPECT_EQ(e.names, (std::vector<Text>{"账号1.txt"_t, "账号2.txt"_t}));
    EXPECT_EQ(e.highest, 9);
    EXPECT_TRUE(replace_question(e).view().starts_with("文件夹中已有 账号1.txt 等 2 个同名文件。\r\n"_t.view()));
}

// The left box is written once for the run, not once per line.
TEST_F(GenerateTest, LeftBoxIsWrittenOnce)
{
    std::string list;
    for (int i = 0; i < 600; ++i)
        list += "user" + std::to_string(i) + "\r\n";
    prepare({Text(list), "6"});
    const int before = ui.content_changed_count(ctl::left_box);
    generate_text_files(ui);
    EXPECT_EQ(files().size(), 100u);
    EXPECT_EQ(left(), Text());
    EXPECT_EQ(ui.content_changed_count(ctl::left_box), before + 1);
}

class ShowingDesktop : public FakeDesktop {
public:
    explicit ShowingDesktop(Controls& ui) : ui_(ui) {}
    int message_box(const Text& content, int style, const Text& title) override
    {
        left_while_shown.push_back(ui_.get_content(ctl::left_box));
        return FakeDesktop::message_box(content, style, title);
    }
    std::vector<Text> left_while_shown;

private:
    Controls& ui_;
};

TEST_F(GenerateTest, LeftBoxIsCurrentWhileAMessageShows)
{
    prepare({"a1\r\na2\r\na3\r\na4\r\n\r\n\r\n"});
    ShowingDesktop shown(ui);
    generate_text_files(ui);
    EXPECT_EQ(shown.left_while_shown, (std::vector<Text>{"a4", "a4"}));
}

TEST_F(GenerateTest, LongRunsShowTheirProgressAndRepaint)
{
    const auto hint = [this] { return ui.pane_text(ctl::status_bar, 3); };
    ui.set_pane_text(ctl::status_bar, hint_pane, "hint");
    prepare({seven});
    generate_text_files(ui); // quicker than the interval: nothing shown
    EXPECT_EQ(hint(), Text("hint"));
    EXPECT_EQ(desktop.paints_processed, 0);

    generate_progress_interval = std::chrono::milliseconds(0);
    prepare({seven});
    desktop.answers = {button_yes}; // the files of the first run are replaced
    generate_text_files(ui);
    EXPECT_EQ(hint(), "已生成 2 个文本"_t);
    EXPECT_EQ(desktop.paints_processed, 2);

    fs::remove(dir_ / u8"账号2.txt");
    fs::create_directory(dir_ / u8"账号2.txt");
    prepare({seven});
    desktop.answers = {button_yes};
    generate_text_files(ui);
    generate_progress_interval = std::chrono::milliseconds(250);
    EXPECT_EQ(hint(), "已生成 1 个文本"_t); // the file that failed is not counted
}

// A directory of the target's name cannot be replaced, even by root.
TEST_F(GenerateTest, UnwritableFileStopsTheRunAndKeepsItsAccounts)
{
    fs::create_directory(dir_ / u8"账号2.txt");
    prepare({seven});
    generate_text_files(ui);
    const Files expected = {{"账号1.txt", "[账号]\r\n1=a1\r\n2=a2\r\n3=a3"_t}, {"账号2.txt", "<dir>"}};
    EXPECT_EQ(files(), expected); // no temporary file left either
    EXPECT_EQ(left(), Text("a4\r\na5\r\na6\r\na7"));
    EXPECT_EQ(messages(),
              std::vector<Text>{tip("文本“账号2.txt”生成失败：同名的目录已存在！未生成的账号仍留在左侧。"_t)});
}

TEST_F(GenerateTest, FirstFileUnwritableLeavesTheBoxAsItWas)
{
    fs::create_directory(dir_ / u8"账号1.txt");
    const Text list = "a1\r\na2\r\na3\r\n\r\n";
    prepare({list});
    generate_text_files(ui);
    EXPECT_EQ(left(), list);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].title, "提示！"_t);
}

TEST_F(GenerateTest, ReadOnlyDirectoryKeepsTheAccounts)
{
    if (!fenrow::test::read_only_directory_refuses_writes())
        GTEST_SKIP() << "this user writes into read-only directories (root, or anyone on Windows)";
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    prepare({seven});
    generate_text_files(ui);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_TRUE(files().empty());
    EXPECT_EQ(left(), seven);
    EXPECT_EQ(messages(),
              std::vector<Text>{tip("文本“账号1.txt”生成失败：没有写入权限！未生成的账号仍留在左侧。"_t)});
}

TEST_F(GenerateTest, NothingIsWrittenOutsideTheDirectory)
{
    fs::create_directory(dir_ / "sub");
    const std::string sub_x = std::string("sub") + path_separator + "x";
    for (const char* name : {"../x", "sub/x", "..", "a..b", sub_x.c_str()}) {
        prepare({seven, "3", name});
        generate_text_files(ui);
        EXPECT_EQ(left(), seven) << name;
    }
    EXPECT_EQ(files(), (Files{{"sub", "<dir>"}}));
    EXPECT_TRUE(fs::is_empty(dir_ / "sub"));
    EXPECT_EQ(std::distance(fs::directory_iterator(outer_), fs::directory_iterator()), 1);
}

// An installed program's directory takes no files: they go to the fallback
// folder, and the message says where.
TEST_F(GenerateTest, AProgramDirectoryThatTakesNoFilesSendsThemToTheFallbackFolder)
{
    const Text dir = text_from_utf8(utf8_of(dir_));
    override_program_dir(text_from_utf8(utf8_of(outer_ / "missing")));
    set_fallback_output_dir(dir);
    prepare({seven, "7"});
    generate_text_files(ui);
    set_fallback_output_dir(Text());
    EXPECT_EQ(files().size(), 1u);
    EXPECT_EQ(left(), Text());
    EXPECT_EQ(messages(), std::vector<Text>{tip("生成完毕！文本在："_t + dir)});
}

// The click is an operation whose undo says the files stay, then generates
// (here: refuses an empty list).
TEST(GenerateButton, RunsGenerateTextFilesAsAnOperation)
{
    MemoryControls ui{control_table()};
    FakeDesktop desktop;
    find_handler(ctl::generate_button, Event::clicked)(ui);
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].content, "左侧编辑框不能为空！"_t);
    EXPECT_FALSE(ui.operation_note(ctl::left_box).empty());
}

} // namespace
