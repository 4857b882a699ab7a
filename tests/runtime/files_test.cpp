#include "runtime/files.h"

#include "runtime/codepage.h"
#include "runtime/file_system.h"
#include "tests/support/file_holder.h"
#include "tests/support/file_rules.h"
#include "tests/support/small_filesystem.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <vector>

using namespace fenrow;
namespace fs = std::filesystem;

namespace {

const std::optional<Text> none;
const std::optional<std::string> absent;

// The longest name of a directory entry on both systems.
constexpr std::size_t name_max = 255;

// Sources are UTF-8; settings files and names hold code-page-936 bytes.
std::string gbk(const char* utf8) { return operator""_t(utf8, std::strlen(utf8)).str(); }

// Paths written with '/' as the system writes them.
std::string native(std::string path)
{
    std::replace(path.begin(), path.end(), '/', path_separator);
    return path;
}

fs::path from_utf8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }
std::string utf8_of(const fs::path& p)
{
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = fenrow::test::make_temp_dir("fenrow-files-"); }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    // The name's bytes as they are, after the directory; '/' is the system's separator.
    Text path(const std::string& name) const { return text_from_utf8(utf8_of(dir_)) + T(native("/" + name)); }
    // Names in UTF-8 from here on.
    fs::path at(const std::string& name) const { return dir_ / from_utf8(name); }
    void put(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(at(name), std::ios::binary) << bytes;
    }
    std::optional<std::string> get(const std::string& name) const
    {
        std::ifstream in(at(name), std::ios::binary);
        return in && fs::is_regular_file(at(name)) ? std::optional(std::string(std::istreambuf_iterator<char>(in), {})) : std::nullopt;
    }
    std::set<std::string> names() const
    {
        std::set<std::string> s;
        for (const auto& e : fs::directory_iterator(dir_))
            s.insert(utf8_of(e.path().filename()));
        return s;
    }
    fs::path dir_;
};

} // namespace

TEST(DirOf, CutsBeforeTheLastSeparator)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/opt/fenrow/fenrow", "/opt/fenrow"}, {"a/b/", "a/b"}, {"/fenrow", ""}, {"fenrow", ""}, {"", ""},
        {gbk("/目录/账号.txt"), gbk("/目录")},
        {"x/\x81/y", "x"}, // the lead byte takes the separator after it
        {gbk("目录/運"), gbk("目录")}, // 運 ends in the byte of '\\'
    };
    for (const auto& [path, dir] : cases)
        EXPECT_EQ(dir_of(T(native(path))).str(), native(dir)) << path;
}

TEST(ProgramDir, IsTheRunningProgramsDirectoryAndBecomesCurrent)
{
    const fs::path dir = to_fs_path(program_dir());
    EXPECT_TRUE(dir.is_absolute()) << dir;
    EXPECT_TRUE(fs::is_regular_file(dir / FENROW_TEST_PROGRAM)) << dir;
    EXPECT_NE(program_dir().view().back(), path_separator);
    const fs::path before = fs::current_path();
    fs::current_path(fs::temp_directory_path());
    EXPECT_TRUE(init_program_dir());
    EXPECT_TRUE(fs::equivalent(fs::current_path(), dir)) << fs::current_path();
    fs::current_path(before);
}

// Generated files go beside the program unless its folder takes no files
// (installed) or is the temporary folder (started from inside a zip).
TEST_F(FilesTest, OutputDirIsTheProgramFolderWhenItTakesFilesAndIsNotTemporary)
{
    for (const char* d : {"prog", "tmp/Temp1_fenrow.zip/fenrow", "tmpfoo"})
        fs::create_directories(at(d));
    put("file", "");
    const Text temporary = path("tmp"), documents = path("docs/Fenrow");
    const struct {
        const char* program;
        const char* expected; // nullptr: the documents folder
    } rows[] = {
        {"prog", "prog"},                                  // writable
        {"tmpfoo", "tmpfoo"},                              // only a name like the temporary folder's
        {"file/sub", nullptr},                             // takes no files: an installed layout
        {"missing", nullptr},                              // read-only or gone
        {"tmp", nullptr},                                  // the temporary folder itself
        {"tmp/Temp1_fenrow.zip/fenrow", nullptr},          // inside a zip opened in place
    };
    for (const auto& row : rows) {
        const Text expected = row.expected ? path(row.expected) : documents;
        EXPECT_EQ(output_dir_for(path(row.program), temporary, documents), expected) << row.program;
    }
    EXPECT_TRUE(fs::is_directory(at("docs/Fenrow"))); // made when first needed
    EXPECT_EQ(output_dir_for(path("missing"), temporary, Text()), path("missing")); // no fallback named
    EXPECT_TRUE(fs::is_empty(at("prog")));
    EXPECT_TRUE(is_temporary_dir(file_system::temporary_dir().value()));
    // Installed, a program writes elsewhere even where it could write (as root).
    set_fallback_output_dir(documents);
    for (const Text& system : file_system::program_folders()) {
        override_program_dir(system);
        EXPECT_EQ(output_dir(), documents) << system.str();
    }
    override_program_dir(std::nullopt);
    set_fallback_output_dir(Text());
    EXPECT_FALSE(documents_output_dir().empty());
}

// A fenrow.ini beside the program makes a portable copy keep its settings there.
TEST_F(FilesTest, SettingsFileIsBesideTheProgramOnlyWhenOneIsThere)
{
    fs::create_directories(at("prog"));
    EXPECT_EQ(settings_file_for(path("prog"), path("user")), path("user/fenrow.ini"));
    put("prog/fenrow.ini", "");
    EXPECT_EQ(settings_file_for(path("prog"), path("user")), path("prog/fenrow.ini"));
    EXPECT_EQ(settings_file_for(path("other"), Text()), path("other/fenrow.ini")); // the system names no folder
    EXPECT_FALSE(settings_file().empty());
}

TEST_F(FilesTest, FileWriteReplacesOrFailsWithAReason)
{
    put("longer", "0123456789");
    put("plain", "keep");
    fs::create_directory(at("sub"));
    const struct {
        std::string name, a, b;
        const char* why; // nullptr: succeeds, leaving a + b
    } cases[] = {
        {"new", "abc", "", nullptr},
        {"longer", "ab", "", nullptr}, // replaced, never extended
        {"plain", "", "", nullptr},
        {"zeros", "a", std::string("\0b", 2), nullptr},
        {std::string(name_max, 'n'), "x", "y", nullptr}, // the temporary name must fit too
        {"missing/x", "data", "", "目录不存在"},
        {"longer/x", "data", "", "目录不存在"},
        {"sub", "data", "", "同名的目录已存在"},
        {std::string(name_max + 1, 'n'), "data", "", "文件名太长"},
    };
    for (const auto& c : cases) {
        Text why = "unchanged";
        const std::optional<std::string> before = get(c.name);
        EXPECT_EQ(file_write(path(c.name), {ByteArray(c.a), ByteArray(c.b)}, &why), c.why == nullptr) << c.name;
        EXPECT_EQ(text_to_utf8(why), c.why ? c.why : "unchanged") << c.name;
        EXPECT_EQ(get(c.name), c.why ? before : c.a + c.b) << c.name;
    }
    EXPECT_EQ(names(), (std::set<std::string>{"new", "longer", "plain", "zeros", std::string(name_max, 'n'), "sub"}));

    EXPECT_TRUE(file_write(path("longer"), {ByteArray()}));
    EXPECT_EQ(get("longer"), "");
}

// Names reach the disk as the same characters: a two-byte character ending in
// the byte of '\\', the euro sign's single byte, and a four-byte form (UTF-16
// surrogates on Windows).
TEST_F(FilesTest, NamesKeepTheirCharactersOnDisk)
{
    for (const char* name : {"账号1.txt", "運.ini", "€.txt", "😀.txt"}) {
        const Text file = path("") + operator""_t(name, std::strlen(name));
        ASSERT_TRUE(file_write(file, {ByteArray("a")})) << name;
        EXPECT_EQ(get(name), "a") << name;
        EXPECT_TRUE(ini_write(file, "s", Text("k"), Text("v"))) << name;
        EXPECT_EQ(ini_read(file, "s", "k"), "v") << name;
        EXPECT_EQ(names(), std::set<std::string>{name});
        EXPECT_TRUE(file_delete(file)) << name;
        EXPECT_TRUE(names().empty()) << name;
    }
}

TEST_F(FilesTest, FileWriteSetsPermissions)
{
    if (!fenrow::test::files_have_permission_bits())
        GTEST_SKIP() << "this file system keeps no permission bits";
    const mode_t old_mask = ::umask(022);
    put("private", "x");
    fs::permissions(at("private"), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(file_write(path("private"), {ByteArray("y")}));
    EXPECT_TRUE(file_write(path("new"), {ByteArray("y")}));
    ::umask(old_mask);
    EXPECT_EQ(fs::status(at("private")).permissions(), fs::perms(0600));
    EXPECT_EQ(fs::status(at("new")).permissions(), fs::perms(0644));
}

TEST_F(FilesTest, FileWriteTakesNoEmptyPath)
{
    put("private", "y");
    put("new", "y");
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    Text why;
    EXPECT_FALSE(file_write(Text(), {ByteArray("x")}, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(file_delete(Text()));
    fs::current_path(before);
    EXPECT_EQ(names(), (std::set<std::string>{"private", "new"}));

    EXPECT_TRUE(file_delete(path("new")));
    EXPECT_FALSE(file_delete(path("new")));
    EXPECT_EQ(names(), std::set<std::string>{"private"});
}

TEST_F(FilesTest, ReadOnlyDirectoryRefusesWrites)
{
    if (!fenrow::test::read_only_directory_refuses_writes())
        GTEST_SKIP() << "this user writes into read-only directories (root, or anyone on Windows)";
    put("a.txt", "keep");
    put("a.ini", "[s]\r\nk=1\r\n");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    Text why;
    EXPECT_FALSE(file_write(path("a.txt"), {ByteArray("new")}, &why));
    EXPECT_EQ(text_to_utf8(why), "没有写入权限");
    EXPECT_FALSE(ini_write(path("a.ini"), "s", Text("k"), Text("2")));
    EXPECT_FALSE(file_delete(path("a.txt")));
    EXPECT_EQ(ini_read(path("a.ini"), "s", "k"), "1");
    EXPECT_EQ(get("a.txt"), "keep");
    EXPECT_EQ(names(), (std::set<std::string>{"a.txt", "a.ini"}));
}

TEST_F(FilesTest, ReadOnlyFileRefusesReplacement)
{
    if (!fenrow::test::read_only_file_refuses_replacement())
        GTEST_SKIP() << "a read-only file in a writable directory is replaced here";
    put("a.txt", "keep");
    put("a.ini", "[s]\r\nk=1\r\n");
    const auto write_bits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    for (const char* name : {"a.txt", "a.ini"})
        fs::permissions(at(name), write_bits, fs::perm_options::remove);
    Text why;
    EXPECT_FALSE(file_write(path("a.txt"), {ByteArray("new")}, &why));
    EXPECT_EQ(text_to_utf8(why), "没有写入权限");
    EXPECT_FALSE(ini_write(path("a.ini"), "s", Text("k"), Text("2")));
    EXPECT_EQ(ini_read(path("a.ini"), "s", "k"), "1");
    EXPECT_EQ(get("a.txt"), "keep");
    EXPECT_EQ(names(), (std::set<std::string>{"a.txt", "a.ini"}));
    for (const char* name : {"a.txt", "a.ini"})
        fs::permissions(at(name), write_bits, fs::perm_options::add);
}

TEST(FilesOnASmallDisk, AFullOrReadOnlyDiskRefusesWritesAndKeepsWhatWasThere)
{
    for (const bool read_only : {false, true}) {
        fenrow::test::SmallFilesystem disk(16 * 4096);
        if (!disk.mounted())
            GTEST_SKIP() << "no small file system to mount: that takes root on Linux";
        const Text file(disk.path() + "/a.txt"), ini(disk.path() + "/a.ini");
        ASSERT_TRUE(file_write(file, {ByteArray("keep")}));
        ASSERT_TRUE(ini_write(ini, "s", Text("k"), Text("1")));
        if (read_only)
            ASSERT_TRUE(disk.make_read_only());
        else
            disk.fill();
        Text why;
        EXPECT_FALSE(file_write(file, {ByteArray("new contents")}, &why));
        EXPECT_EQ(text_to_utf8(why), read_only ? "没有写入权限" : "磁盘空间不足");
        EXPECT_FALSE(ini_write(ini, "s", Text("k"), Text("2")));
        EXPECT_EQ(ini_read(ini, "s", "k"), "1");
        std::ifstream in(disk.path() + "/a.txt", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
        // No temporary file is left behind.
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(disk.path()))
            names.insert(e.path().filename().string());
        std::set<std::string> expected{"a.txt", "a.ini"};
        if (!read_only)
            expected.insert("filler");
        EXPECT_EQ(names, expected);
    }
}

TEST_F(FilesTest, NamesMatchRegardlessOfCaseAndOuterBlanks)
{
    const struct {
        std::string a, b;
        bool same;
    } cases[] = {
        {"Abc", "aBC", true},
        {" \tabc\t ", "abc", true},
        {"a b", "ab", false},
        {gbk("　abc"), "abc", false}, // the full-width space is no blank here
        {gbk("ΑΒΓΔ"), gbk("αβγδ"), true},
        {gbk("ΣΟΦΟΣ"), gbk("σοφος"), true},
        {gbk("ПРИВЕТ Ёж"), gbk("привет ёж"), true},
        {gbk("ＡＢＣ"), gbk("ａｂｃ"), true},
        {gbk("ＡＢＣ"), "ABC", false},
        {gbk("ÀÉ"), gbk("àé"), true},
        {gbk("账号Ab"), gbk("账号aB"), true},
        {"\x81\x41", "\x81\x61", false}, // 丂 ends in the byte of 'A', another character in 'a'
        {"\x81\x41x", "\x81\x41X", true},
        {"a\x81\x7f", "a\x82\x7f", false}, // malformed characters stay apart
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ini_name_key(T(c.a)) == ini_name_key(T(c.b)), c.same) << c.a << " | " << c.b;
        put("n.ini", "[" + c.a + "]\r\n" + c.a + "=1\r\n");
        EXPECT_EQ(ini_read(path("n.ini"), T(c.b), T(c.b)), c.same ? "1" : "") << c.a << " | " << c.b;
    }
}

TEST_F(FilesTest, IniRead)
{
    const std::string sk = "[s]\r\nk=v\r\n";
    const struct {
        std::optional<std::string> content;
        std::string section, key;
        std::optional<Text> dflt;
        std::string expect;
    } cases[] = {
        {sk, "", "k", Text("d"), ""},
        {sk, "  \t\r\n", "k", Text("d"), ""},
        {sk, "s", " ", Text("d"), ""},
        {sk, " \x01s", "\tk ", none, "v"}, // leading control bytes dropped, then outer blanks
        {sk, "x", "k", Text("d"), "d"},
        {sk, "s", "x", Text("d"), "d"},
        {absent, "s", "k", Text("d"), "d"},
        {absent, "s", "k", none, ""},
        {"[ sec\t]\r\n  key \t=  v w  \r\n", "sec", "key", none, "v w"},
        {"[s]\nk=v\n", "s", "k", none, "v"},
        {"[s]\r\nk=\"  v  \"\r\n", "s", "k", none, "  v  "},
        {"[s]\r\nk=\r\nk=v\r\n", "s", "k", Text("d"), ""},
        {"[s]\r\nk=a=b", "s", "k", none, "a=b"},
        {"[s]\r\n;k=c\r\n", "s", "k", Text("d"), "d"},
        {"k=top\r\n[s]\r\n[t]\r\nk=v\r\n", "s", "k", Text("d"), "d"},
        {"[a]b]\r\nk=v\r\n", "a]b", "k", none, "v"},
        {"[ab]\x81\x5d\r\nk=v\r\n", "ab", "k", none, "v"}, // the second byte 0x5D is no bracket
        {"[s]\r\nk=1\r\nK=2\r\n[S]\r\nk=3\r\n", "s", "k", none, "1"},
        {"[s]\r\na=1\r\n[S]\r\nb=2\r\n", "s", "b", Text("d"), "d"}, // only the first matching section counts
    };
    for (const auto& c : cases) {
        fs::remove(at("f.ini"));
        if (c.content)
            put("f.ini", *c.content);
        EXPECT_EQ(ini_read(path("f.ini"), T(c.section), T(c.key), c.dflt).str(), c.expect) << c.content.value_or("");
    }
    EXPECT_EQ(ini_read(Text(), "s", "k", Text("d")), "");
    put("f.ini", sk);
    EXPECT_EQ(ini_read(Text(" \t") + path("f.ini"), "s", "k"), "v");

    const std::string big(20000, 'x');
    ASSERT_TRUE(ini_write(path("big.ini"), "s", Text("k"), T(big)));
    EXPECT_EQ(ini_read(path("big.ini"), "s", "k").size(), 10239);
    EXPECT_EQ(ini_read(path("big.ini"), "s", "x", T(big)).size(), 10239);
}

TEST_F(FilesTest, IniWriteEditsInPlace)
{
    const std::string two = "[a]\r\nx=1\r\n[b]\r\ny=2\r\n";
    const struct {
        std::optional<std::string> before;
        std::string section;
        std::optional<Text> key, value;
        std::optional<std::string> after;
    } cases[] = {
        {absent, "s", Text("k"), Text("v"), "[s]\r\nk=v\r\n"},
        {two, "A", Text("X"), Text("9"), "[a]\r\nX=9\r\n[b]\r\ny=2\r\n"},
        {two, "a", Text("z"), Text("3"), "[a]\r\nx=1\r\nz=3\r\n[b]\r\ny=2\r\n"},
        {two, "c", Text("k"), Text("v"), two + "[c]\r\nk=v\r\n"},
        {"[a]\r\nx=1\r\n\r\n[b]\r\n", "a", Text("z"), Text("3"), "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\n"},
        {"[a]\nx=1", "a", Text("x"), Text("2"), "[a]\nx=2"},
        {"[a]\nx=1", "c", Text("k"), Text("v"), "[a]\nx=1\r\n[c]\r\nk=v\r\n"},
        {"[a]", "a", Text("z"), Text("3"), "[a]\r\nz=3\r\n"},
        {"[ A ]\r\n X =1\r\n", "a", Text("x"), Text(" v "), "[ A ]\r\nx=\" v \"\r\n"},
        {"[a]\r\nx=1\r\ny=2\r\nX=3\r\n", "a", Text("x"), none, "[a]\r\ny=2\r\n"},
        {"[a]\r\nx=1\r\n[b]\r\ny=2\r\n[A]\r\nz=3\r\n", "a", none, none, "[b]\r\ny=2\r\n"},
        {two, "c", none, none, two},
        {absent, "s", Text("k"), none, absent}, // nothing to remove, no file made
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "w" + std::to_string(++n) + ".ini";
        if (c.before)
            put(name, *c.before);
        EXPECT_TRUE(ini_write(path(name), T(c.section), c.key, c.value)) << name;
        EXPECT_EQ(get(name), c.after) << name;
    }
    EXPECT_EQ(names().size(), std::size(cases) - 1); // no temporary file left
}

TEST_F(FilesTest, IniWriteRefusesWhatWouldReadBackOtherwise)
{
    const struct {
        std::string file, section, key, value;
    } cases[] = {
        {"a.ini", "s", "a=b", "1"}, {"a.ini", "s", "[x]", "1"},      {"a.ini", "s", ";x", "1"},
        {"a.ini", "s", " ", "1"},   {"a.ini", "s", "k\x81", "1"},    {"a.ini", "s", "k", "a\r\nb"},
        {"a.ini", "", "k", "1"},    {"a.ini", "s\r\n[t", "k", "1"}, {"a.ini", "s\x81", "k", "1"},
        {"none/a.ini", "s", "k", "1"},
    };
    for (const auto& c : cases) {
        put("a.ini", "[s]\r\nk=1\r\n");
        EXPECT_FALSE(ini_write(path(c.file), T(c.section), T(c.key), T(c.value))) << c.section << "|" << c.key;
        EXPECT_EQ(get("a.ini"), "[s]\r\nk=1\r\n");
    }
    EXPECT_EQ(names(), std::set<std::string>{"a.ini"});
}

TEST_F(FilesTest, IniReadSeesEveryWrite)
{
    const Text f = path("a.ini");
    for (const char* v : {"1", " v ", "\"q\"", "\"", "", ";x", "\t"}) {
        ASSERT_TRUE(ini_write(f, "s", Text("k"), Text(v)));
        EXPECT_EQ(ini_read(f, "s", "k", Text("-")), Text(v));
    }
    ASSERT_TRUE(ini_write(f, "s", none, none));
    EXPECT_EQ(ini_read(f, "s", "k", Text("-")), "-");
    for (int i = 0; i < 300; ++i) // account lines as a set, the way the duplicate check uses them
        ASSERT_TRUE(ini_write(f, T("acc" + std::to_string(i)), Text("1"), Text("1")));
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(ini_read(f, T(" ACC" + std::to_string(i)), "1"), "1") << i;
    EXPECT_EQ(ini_read(f, "acc300", "1"), "");
    EXPECT_EQ(names(), std::set<std::string>{"a.ini"});
}

// A write is invisible until complete, and what a killed writer left (its
// process gone) is removed by the first write into the folder; a writer still
// running (here: this process) keeps its file.
TEST_F(FilesTest, LeftoversOfGoneWritersAreRemovedOnTheNextWrite)
{
    const std::string own = std::to_string(fenrow::test::this_process_id());
    const std::string gone = "99999996"; // above every system's process ids
    const struct {
        std::string name;
        bool removed;
    } files[] = {
        {".a.txt.tmp" + gone + "-Ab12Cd", true},
        {".b.tmp" + gone + "-zzzzzz", true},
        {".a.txt.tmp" + own + "-Ab12Cd", false}, // another thread's write in progress
        {"a.txt.tmp" + gone + "-Ab12Cd", false},  // not hidden: not ours
        {".a.txt.tmp" + gone + "-Ab12", false},
        {".a.txt.tmpX" + gone + "-Ab12Cd", false},
        {"a.txt.tmpAb12Cd", false},
    };
    std::set<std::string> expected{"a.txt"};
    for (const auto& f : files) {
        put(f.name, "old");
        if (!f.removed)
            expected.insert(f.name);
    }
    ASSERT_TRUE(file_write(path("a.txt"), {ByteArray("new")}));
    EXPECT_EQ(names(), expected);
    EXPECT_FALSE(fenrow::test::is_hidden(at("a.txt"))); // the temporary file's attribute is not kept
    EXPECT_EQ(get("a.txt"), "new");
}

TEST_F(FilesTest, FilesWrittenForLaterFlushAreCompleteAndFlushedTogether)
{
    std::vector<Text> written;
    for (const char* name : {"1.txt", "2.txt"}) {
        ASSERT_TRUE(file_write(path(name), {ByteArray(name)}, nullptr, FileFlush::later));
        written.push_back(path(name));
        EXPECT_EQ(get(name), name);
    }
    EXPECT_TRUE(files_flush(written));
    EXPECT_TRUE(files_flush({}));
    Text why;
    const Text missing[] = {path("none/1.txt")};
    EXPECT_FALSE(files_flush(missing, &why));
    EXPECT_EQ(text_to_utf8(why), "目录不存在");
    EXPECT_EQ(names(), (std::set<std::string>{"1.txt", "2.txt"}));
}

// Windows: a program holding the target, or grabbing every new file as a
// scanner does, for a moment is waited for; for longer, the write fails with
// the true reason, the target as it was and no temporary file left.
TEST_F(FilesTest, FilesHeldByAnotherProgramAreWaitedForOrNamedAsTheReason)
{
    if (!fenrow::test::held_files_refuse_replacement())
        GTEST_SKIP() << "files held open are replaced here";
    using std::chrono::milliseconds;
    file_system::set_busy_wait(milliseconds(1000));
    const struct {
        const char* what;
        bool scanner;
        milliseconds hold;
        bool succeeds;
    } rows[] = {
        {"target held briefly", false, milliseconds(300), true},
        {"target held long", false, milliseconds(3000), false},
        {"scanner holding briefly", true, milliseconds(150), true},
        {"scanner holding long", true, milliseconds(2500), false},
    };
    for (const auto& row : rows) {
        put("a.txt", "keep");
        // The scanner grabs the target first, then tries each new file.
        std::optional<fenrow::test::FileHolder> holder;
        if (row.scanner) {
            holder.emplace(fenrow::test::FileHolder::scanner(dir_, row.hold));
            std::this_thread::sleep_for(milliseconds(50));
        } else {
            holder.emplace(fenrow::test::FileHolder::one_file(at("a.txt"), row.hold));
            ASSERT_TRUE(holder->holding()) << row.what;
        }
        Text why = "unchanged";
        EXPECT_EQ(file_write(path("a.txt"), {ByteArray("new")}, &why), row.succeeds) << row.what;
        EXPECT_EQ(text_to_utf8(why), row.succeeds ? "unchanged" : "文件正被其他程序占用，请关闭后重试") << row.what;
        holder.reset();
        EXPECT_EQ(get("a.txt"), row.succeeds ? "new" : "keep") << row.what;
        EXPECT_EQ(names(), std::set<std::string>{"a.txt"}) << row.what;
    }
    file_system::set_busy_wait(milliseconds(2000));
}
