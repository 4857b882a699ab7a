#include "cli/cli.h"

#include "app/control_table.h"
#include "cli/console.h"
#include "ops/jobs.h"
#include "ops/operations.h"
#include "ops/handlers.h"
#include "runtime/codepage.h"
#include "runtime/desktop.h"
#include "runtime/file_system.h"
#include "runtime/files.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

namespace fenrow {

namespace {

using std::string_view;

// One block off the top of the list: the text of the file generate would
// write next, the list left without it.
void split_block(Controls& ui) { ui.give_content(ctl::right_box, take_account_block(ui)); }

constexpr std::array operations{
    CliOperation{"number", ctl::convert_button, ctl::right_box, 1},
    CliOperation{"suffix", ctl::mark_button, ctl::right_box, 1},
    CliOperation{"extract", ctl::extract_button, ctl::left_box, 1},
    CliOperation{"blank", ctl::blank_button, ctl::left_box, 1},
    CliOperation{"dedupe", ctl::dedupe_button, ctl::right_box, 1},
    CliOperation{"pick", ctl::pick_button, ctl::right_box, 2},
    CliOperation{"generate", ctl::generate_button, ctl::left_box, 1},
    CliOperation{"split", ctl::generate_button, ctl::right_box, 1, split_block},
};

// A flag sets controls of the window as the user would; value is empty for
// flags that take none.
using Setter = std::function<void(MemoryControls&, const Text& value)>;
struct Flag {
    const char* name;
    const char* operation; // nullptr: every operation takes it
    bool takes_value;
    Setter set; // nullptr: the run reads it itself
};

Setter content(ControlName box) { return [box](MemoryControls& ui, const Text& v) { ui.set_content(box, v); }; }
Setter checked(ControlName box, bool on) { return [box, on](MemoryControls& ui, const Text&) { ui.set_checked(box, on); }; }
Setter checked_with(ControlName box, ControlName text)
{
    return [box, text](MemoryControls& ui, const Text& v) {
        ui.set_checked(box, true);
        ui.set_content(text, v);
    };
}

const std::vector<Flag>& flags()
{
    using namespace ctl;
    static const std::vector<Flag> table = {
        {"--prefix", "number", true, content(prefix_text)},
        {"--no-number", "number", false, checked(prefix_check, false)},
        {"--suffix", "number", true, checked_with(suffix_check, suffix_symbol)},
        {"--suffix-text", "number", true, checked_with(suffix_check, suffix_text)},
        {"--group", "suffix", true, content(group_size)},
        {"--mark", "suffix", true, content(mark_symbol)},
        {"--first", "suffix", false, checked(mark_first, true)},
        {"--last", "suffix", false, checked(mark_last, true)},
        {"--head", "extract", true, content(extract_head)},
        {"--tail", "extract", true, content(extract_tail)},
        {"--count", "generate", true, content(block_size)},
        {"--name", "generate", true, content(file_name)},
        {"--top", "generate", true, checked_with(top_line_check, top_line)},
        {"--no-top", "generate", false, checked(top_line_check, false)},
        {"--prefix", "generate", true, checked_with(number_check, number_separator)},
        {"--no-number", "generate", false, checked(number_check, false)},
        {"--count", "split", true, content(block_size)},
        {"--top", "split", true, checked_with(top_line_check, top_line)},
        {"--no-top", "split", false, checked(top_line_check, false)},
        {"--prefix", "split", true, checked_with(number_check, number_separator)},
        {"--no-number", "split", false, checked(number_check, false)},
        {"--rest", "split", true, nullptr},
        {"--ext", "generate", true, nullptr},
        {"--out-dir", "generate", true, nullptr},
        {"-o", nullptr, true, nullptr},
        {"--output", nullptr, true, nullptr},
        {"--utf8", nullptr, false, nullptr},
        {"--crlf", nullptr, false, nullptr},
        {"--lf", nullptr, false, nullptr},
    };
    return table;
}

struct Request {
    const CliOperation* op = nullptr;
    std::vector<std::pair<const Flag*, Text>> settings;
    std::vector<Text> inputs;
    std::optional<Text> output, out_dir, extension, rest;
    bool utf8 = false;
    std::optional<bool> crlf; // the output's line ends; unset: as the input's
    bool help = false;
};

// A message for the user about the command line, or nothing when it parses.
std::optional<Text> parse(const std::vector<Text>& args, Request& r)
{
    for (const Text& a : args) {
        if (a == Text("-h") || a == Text("--help"))
            r.help = true;
    }
    if (r.help)
        return std::nullopt;
    if (args.empty())
        return "no operation given (缺少操作名)"_t;
    for (const CliOperation& op : operations) {
        if (args[0] == Text(op.name))
            r.op = &op;
    }
    if (r.op == nullptr)
        return "unknown operation (未知的操作)："_t + args[0];

    bool only_names = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const string_view a = args[i].view();
        if (only_names || a == "-" || !a.starts_with("-")) {
            r.inputs.push_back(args[i]);
            continue;
        }
        if (a == "--") {
            only_names = true;
            continue;
        }
        const std::size_t eq = a.find('=');
        const string_view name = a.substr(0, eq);
        const Flag* flag = nullptr;
        for (const Flag& f : flags()) {
            if (name == f.name && (f.operation == nullptr || string_view(f.operation) == r.op->name))
                flag = &f;
        }
        if (flag == nullptr)
            return "unknown flag for "_t + Text(r.op->name) + " (未知的选项)："_t + Text(name);
        Text value;
        if (flag->takes_value) {
            if (eq != string_view::npos) {
                value = Text(a.substr(eq + 1));
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return "flag needs a value (选项缺少值)："_t + Text(name);
            }
        } else if (eq != string_view::npos) {
            return "flag takes no value (选项不带值)："_t + Text(name);
        }
        if (name == "-o" || name == "--output")
            r.output = value;
        else if (name == "--out-dir")
            r.out_dir = value;
        else if (name == "--ext")
            r.extension = value;
        else if (name == "--rest")
            r.rest = value;
        else if (name == "--utf8")
            r.utf8 = true;
        else if (name == "--crlf" || name == "--lf")
            r.crlf = name == "--crlf";
        else
            r.settings.emplace_back(flag, value);
    }
    if (r.op->inputs == 2 && r.inputs.size() != 2)
        return "pick takes two lists, A and B (挑不重复需要两个文件)"_t;
    if (r.op->inputs == 1 && r.inputs.size() > 1)
        return "one input file at most (只能给一个输入文件)"_t;
    return std::nullopt;
}

// Messages the operations show, each written to standard error as it comes.
class CliDesktop : public DesktopServices {
public:
    explicit CliDesktop(CliStreams& io) : io_(io) { set_desktop_services(this); }
    ~CliDesktop() override { set_desktop_services(nullptr); }
    CliDesktop(const CliDesktop&) = delete;
    CliDesktop& operator=(const CliDesktop&) = delete;

    bool clipboard_set_text(const Text&) override { return false; }
    int message_box(const Text& content, int, const Text& title) override
    {
        std::lock_guard lock(mutex_);
        io_.write_error("["_t + title + "] "_t + content);
        if (!(content == "生成完毕！"_t))
            failed_ = true;
        return button_ok;
    }
    void process_events() override {}

    bool failed()
    {
        std::lock_guard lock(mutex_);
        return failed_;
    }

private:
    CliStreams& io_;
    std::mutex mutex_;
    bool failed_ = false;
};

// Sets generate's folder for the run and gives the real one back after it.
class ProgramDirFor {
public:
    explicit ProgramDirFor(const std::optional<Text>& dir)
    {
        if (dir)
            override_program_dir(*dir);
    }
    ~ProgramDirFor() { override_program_dir(std::nullopt); }
    ProgramDirFor(const ProgramDirFor&) = delete;
    ProgramDirFor& operator=(const ProgramDirFor&) = delete;
};

// The window in memory, its two large boxes handed in and out whole and lent
// to the operations: a list is read once and written once, never copied on
// the way.
class CliWindow : public MemoryControls {
public:
    CliWindow() : MemoryControls(control_table()) {}

    void put(ControlName box, Text t)
    {
        std::lock_guard lock(boxes_mutex_);
        *list(box) = std::make_shared<Text>(std::move(t));
    }
    Text take(ControlName box)
    {
        std::lock_guard lock(boxes_mutex_);
        std::shared_ptr<Text> taken = std::exchange(*list(box), std::make_shared<Text>());
        return taken.use_count() == 1 ? std::move(*taken) : *taken;
    }

    Text get_content(ControlName edit) override
    {
        std::lock_guard lock(boxes_mutex_);
        const std::shared_ptr<Text>* l = list(edit);
        return l != nullptr ? **l : MemoryControls::get_content(edit);
    }
    std::shared_ptr<const Text> share_content(ControlName edit) override
    {
        std::lock_guard lock(boxes_mutex_);
        const std::shared_ptr<Text>* l = list(edit);
        return l != nullptr ? *l : MemoryControls::share_content(edit);
    }
    Text take_content(ControlName edit) override
    {
        return list(edit) != nullptr ? take(edit) : MemoryControls::take_content(edit);
    }
    void set_content(ControlName edit, const Text& t) override { give_content(edit, Text(t)); }
    void give_content(ControlName edit, Text&& t) override
    {
        std::lock_guard lock(boxes_mutex_);
        if (std::shared_ptr<Text>* l = list(edit))
            *l = std::make_shared<Text>(std::move(t));
        else
            MemoryControls::set_content(edit, t);
    }
    void append_text(ControlName edit, const Text& t) override
    {
        std::lock_guard lock(boxes_mutex_);
        std::shared_ptr<Text>* l = list(edit);
        if (l == nullptr) {
            MemoryControls::append_text(edit, t);
            return;
        }
        if (l->use_count() > 1) // lent out: the borrower keeps what it was lent
            *l = std::make_shared<Text>(**l);
        // A result appended batch by batch gets room for twice the other list at
        // its first batch: pages never written cost nothing, and the text is
        // not moved at every doubling.
        if ((*l)->empty())
            (*l)->reserve(2 * (l == &left_ ? right_ : left_)->view().size() + t.view().size());
        **l += t;
    }
    int get_line_count(ControlName edit) override
    {
        std::lock_guard lock(boxes_mutex_);
        const std::shared_ptr<Text>* l = list(edit);
        return l != nullptr ? count_box_lines(**l) : MemoryControls::get_line_count(edit);
    }

private:
    std::shared_ptr<Text>* list(ControlName c)
    {
        return c == ctl::left_box ? &left_ : c == ctl::right_box ? &right_ : nullptr;
    }

    std::mutex boxes_mutex_;
    std::shared_ptr<Text> left_ = std::make_shared<Text>(), right_ = std::make_shared<Text>();
};

bool is_utf8(string_view s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned b = p[i];
        std::size_t len = 1;
        if (b >= 0xC2 && b <= 0xDF)
            len = 2;
        else if (b >= 0xE0 && b <= 0xEF)
            len = 3;
        else if (b >= 0xF0 && b <= 0xF4)
            len = 4;
        else if (b >= 0x80)
            return false;
        if (i + len > n)
            return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += len;
    }
    return true;
}

struct Input {
    Text text;
    bool crlf = false; // the first line ends in CR LF
};

// Every lone LF becomes CR LF. Done backwards within the text's own room (a
// file is read with room for twice its size), so the list is never copied.
void to_crlf_in_place(std::string& bytes, std::size_t first_lf)
{
    const std::size_t n = bytes.size();
    std::size_t lone = 0;
    for (std::size_t lf = first_lf; lf != std::string::npos; lf = bytes.find('\n', lf + 1))
        lone += lf == 0 || bytes[lf - 1] != '\r' ? 1 : 0;
    if (lone == 0)
        return;
    bytes.resize(n + lone);
    char* p = bytes.data();
    // Blocks from the end, each one's lone LFs found forwards and moved backwards.
    std::vector<std::size_t> lfs;
    std::size_t from_end = n, to_end = n + lone;
    for (std::size_t block_end = n; lone > 0;) {
        const std::size_t block_start = block_end > 65536 ? block_end - 65536 : 0;
        lfs.clear();
        for (std::size_t at = block_start; at < block_end; ++at) {
            const void* lf = std::memchr(p + at, '\n', block_end - at);
            if (lf == nullptr)
                break;
            at = static_cast<std::size_t>(static_cast<const char*>(lf) - p);
            if (at == 0 || p[at - 1] != '\r')
                lfs.push_back(at);
        }
        for (auto at = lfs.rbegin(); at != lfs.rend(); ++at) {
            const std::size_t tail = from_end - *at - 1;
            std::memmove(p + to_end - tail, p + *at + 1, tail);
            to_end -= tail;
            p[--to_end] = '\n';
            p[--to_end] = '\r';
            from_end = *at;
            --lone;
        }
        block_end = block_start;
    }
}

// A file's lines as a box holds them: every line end CR LF, and the file's
// last line end, which closes its last line, not one more empty line.
std::optional<Text> read_input(const Text& name, bool utf8, CliStreams& io, Input& in)
{
    std::string bytes;
    const Text shown = name == Text("-") ? "standard input (标准输入)"_t : name;
    if (name == Text("-")) {
        if (!io.read_input(bytes))
            return "cannot read (无法读取) "_t + shown;
    } else if (const int err = file_system::read_file(name, bytes, 2); err != 0) {
        if (file_system::is_missing(err))
            return "no such file (文件不存在)："_t + shown;
        return "cannot read (无法读取) "_t + shown + "："_t + text_from_utf8(std::system_category().message(err));
    }
    if (const std::size_t zero = bytes.find('\0'); zero != std::string::npos)
        return "not a text file, a zero byte at offset (不是文本文件，含零字节，位置) "_t + txt_from_int(static_cast<int32_t>(zero)) + "："_t + shown;
    if (utf8) {
        if (!is_utf8(bytes))
            return "not UTF-8 text (不是 UTF-8 文本)："_t + shown;
        string_view s = bytes;
        if (s.starts_with("\xEF\xBB\xBF"))
            s.remove_prefix(3);
        bytes = text_from_utf8(s).take();
    }

    const std::size_t first_lf = bytes.find('\n');
    in.crlf = first_lf != std::string::npos && first_lf > 0 && bytes[first_lf - 1] == '\r';
    to_crlf_in_place(bytes, first_lf);
    if (string_view(bytes).ends_with("\r\n"))
        bytes.resize(bytes.size() - 2);
    // The operations count bytes and lines in 32 bits, line ends included.
    if (bytes.size() >= std::size_t{1} << 31)
        return "too large, 2 GB at most (文件太大，不能超过 2 GB)："_t + shown;
    in.text = Text(std::move(bytes));
    return std::nullopt;
}

// The box's text as a file: LF line ends unless the input had CR LF, and a
// line end closing the last line.
std::string file_bytes(Text box, bool with_crlf, bool utf8)
{
    std::string s = utf8 ? text_to_utf8(box) : box.take();
    if (!s.empty() && !s.ends_with("\r\n"))
        s += "\r\n";
    if (with_crlf)
        return s;
    std::size_t to = 0;
    for (std::size_t from = 0; from < s.size();) {
        const std::size_t cr = std::min(s.find("\r\n", from), s.size());
        std::copy(s.begin() + static_cast<std::ptrdiff_t>(from), s.begin() + static_cast<std::ptrdiff_t>(cr),
                  s.begin() + static_cast<std::ptrdiff_t>(to)); // leftwards: safe in place
        to += cr - from;
        if (cr < s.size())
            s[to++] = '\n';
        from = cr + 2;
    }
    s.resize(to);
    return s;
}

// A box's text to the named file, replaced whole or left as it was, or to
// standard output.
int write_list(CliStreams& io, Text box, const std::optional<Text>& to, bool crlf, bool utf8)
{
    const std::string bytes = file_bytes(std::move(box), crlf, utf8);
    if (!to || *to == Text("-")) {
        if (io.write_output(bytes))
            return cli_ok;
        io.write_error("fenrow-cli: cannot write standard output (无法写入标准输出)"_t);
        return cli_file;
    }
    const std::array<string_view, 1> parts{bytes};
    if (const int err = file_system::replace_file(*to, parts); err != 0) {
        io.write_error("fenrow-cli: cannot write (无法写入) "_t + *to + "："_t + file_system::failure_reason(err));
        return cli_file;
    }
    return cli_ok;
}

int usage_error(CliStreams& io, const Text& why)
{
    io.write_error("fenrow-cli: "_t + why);
    io.write_error(Text("fenrow-cli --help"));
    return cli_usage;
}

} // namespace

std::span<const CliOperation> cli_operations() { return operations; }

int run_cli(const std::vector<Text>& args, CliStreams& io)
{
    Request r;
    if (const std::optional<Text> why = parse(args, r))
        return usage_error(io, *why);
    if (r.help) {
        return io.write_output(console::for_terminal(cli_help())) ? cli_ok : cli_file;
    }
    if (r.inputs.empty())
        r.inputs.push_back(Text("-"));

    std::vector<Input> inputs(r.inputs.size());
    for (std::size_t i = 0; i < r.inputs.size(); ++i) {
        if (const std::optional<Text> why = read_input(r.inputs[i], r.utf8, io, inputs[i])) {
            io.write_error("fenrow-cli: "_t + *why);
            return cli_file;
        }
    }

    auto window = std::make_unique<CliWindow>();
    CliWindow& ui = *window;
    // A numbering run numbers; the suffix half is asked for by its flags.
    ui.set_checked(ctl::suffix_check, false);
    for (const auto& [flag, value] : r.settings)
        flag->set(ui, value);
    if (r.extension) {
        int found = -1;
        for (int i = 0; !ui.get_item(ctl::file_extension, i).empty(); ++i) {
            if (ui.get_item(ctl::file_extension, i) == *r.extension)
                found = i;
        }
        if (found < 0)
            return usage_error(io, "--ext takes .txt or .ini (扩展名只能是 .txt 或 .ini)："_t + *r.extension);
        ui.set_selection(ctl::file_extension, found);
    }
    ui.put(ctl::left_box, std::move(inputs[0].text));
    if (inputs.size() > 1)
        ui.put(ctl::right_box, std::move(inputs[1].text));
    const bool crlf_out = r.crlf.value_or(inputs[0].crlf);
    inputs.clear();

    bool failed = false;
    {
        CliDesktop desktop(io);
        const ProgramDirFor dir(r.op->button == ctl::generate_button ? r.out_dir.value_or(Text(".")) : std::optional<Text>());
        (r.op->run != nullptr ? r.op->run : operation_of(r.op->button))(ui);
        wait_for_box_jobs(ui);
        failed = desktop.failed();
    }
    if (failed)
        return cli_refused;

    Text result = ui.take(r.op->result);
    std::optional<Text> rest;
    if (r.rest)
        rest = ui.take(ctl::left_box);
    window.reset();
    // The result first: a failure there leaves the list where it was.
    if (const int exit = write_list(io, std::move(result), r.output, crlf_out, r.utf8); exit != cli_ok)
        return exit;
    return rest ? write_list(io, std::move(*rest), r.rest, crlf_out, r.utf8) : cli_ok;
}

Text cli_help()
{
    return R"(Usage: fenrow-cli OPERATION [flags] [FILE] [-o OUT]
       fenrow-cli pick [flags] A B [-o OUT]
Runs one operation of the Fenrow window over a list, one account per line.
FILE (or "-", or none) is read, the result is written to OUT or standard output.

Operations and their flags (the window's options; defaults as in the window):
  number     numbering conversion (转换): "1=line"
               --prefix TEXT       text after the number (default "=")
               --no-number         no numbering
               --suffix SYMBOL     add SYMBOL and --suffix-text behind each line
               --suffix-text TEXT  (both off unless given; SYMBOL default "=")
  suffix     mark every group of accounts (加后缀)
               --group N (6)  --mark SYMBOL (*)  --first (default) | --last
  extract    the text between two markers on each line (提取帐号)
               --head TEXT (empty)  --tail TEXT (",")
  blank      remove blank lines (去空行)
  dedupe     remove duplicate lines, first kept (去重复)
  pick A B   the lines of A that B lacks, case and end blanks ignored (挑不重复)
  generate   write blocks of accounts to files 账号1.txt, 账号2.txt, ... (生成文本);
             the accounts left over go to OUT
               --count N (6)  --name NAME (账号)  --ext .txt|.ini
               --top TEXT ([账号]) | --no-top  --prefix TEXT (=) | --no-number
               --out-dir DIR (current directory); files are GBK with CR LF
  split      the next block alone, as generate would write it, to OUT
               --count N (6)  --top TEXT ([账号]) | --no-top
               --prefix TEXT (=) | --no-number
               --rest FILE  the list without the block (after OUT is written)

Common flags:
  -o, --output FILE  write the result there, replaced whole or not at all
  --utf8             read and write UTF-8 instead of GBK (code page 936)
  --crlf | --lf      line ends of the output (default: those of the input)
  -h, --help         this text

Exit status: 0 done; 1 the operation refused (its message on standard error);
2 bad command line; 3 an input unreadable or not text, or the output unwritable.

用法：fenrow-cli 操作 [选项] [文件] [-o 输出文件]
      fenrow-cli pick [选项] 文件A 文件B [-o 输出文件]
对每行一个帐号的列表执行窗口中的一项操作。不给文件或给“-”时读标准输入，
结果写入输出文件或标准输出。

操作与选项（即窗口中的设置，默认值与窗口相同）：
  number     编号转换：“1=帐号”
               --prefix 文本     编号后的文本（默认“=”）   --no-number  不编号
               --suffix 符号  --suffix-text 文本   在每行后加符号和文本（默认不加）
  suffix     加后缀：每组帐号加序号
               --group 个数（6） --mark 符号（*） --first 首帐号（默认）| --last 尾帐号
  extract    提取帐号：每行取前后字符之间的文本
               --head 前字符（空） --tail 后字符（“,”）
  blank      去空行
  dedupe     去重复（保留第一次出现的行）
  pick A B   挑不重复：A 中 B 没有的行（不分大小写，忽略两端空白）
  generate   生成文本：每 N 个帐号写一个文件（账号1.txt、账号2.txt……），
             剩余帐号写入输出
               --count 个数（6） --name 文本名（账号） --ext .txt|.ini
               --top 顶层文本（[账号]）| --no-top   --prefix 前缀（=）| --no-number
               --out-dir 目录（默认当前目录）；文件为 GBK 编码、CR LF 换行
  split      只取下一组：生成文本会写入的内容写到输出
               --count 个数（6） --top 顶层文本（[账号]）| --no-top
               --prefix 前缀（=）| --no-number
               --rest 文件  取走这一组后剩余的列表（输出写好后才写）

通用选项：
  -o, --output 文件  结果写入该文件：要么完整写入，要么不动
  --utf8             以 UTF-8 读写（默认 GBK，即代码页 936）
  --crlf | --lf      输出的换行（默认与输入相同）
  -h, --help         显示本说明

退出码：0 完成；1 操作未执行（提示写到标准错误）；2 命令行有误；
3 输入无法读取或不是文本，或输出无法写入。
)"_t;
}

} // namespace fenrow
