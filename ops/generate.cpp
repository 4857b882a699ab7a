#include "ops/generate.h"

#include "runtime/files.h"
#include "runtime/progress.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <span>
#include <vector>

namespace fenrow {

namespace {

// Neither '/' nor '.' can be the second byte of a two-byte character, but
// Windows' separator '\\' can: characters are stepped over whole, so that no
// Chinese name is refused by mistake. '/' separates on every system.
bool stays_in_program_dir(const Text& file_name)
{
    const std::string_view s = file_name.view();
    for (std::size_t i = 0; i < s.size(); i += char_len(s, i)) {
        if (s[i] == '/' || s[i] == path_separator)
            return false;
    }
    return s.find("..") == std::string_view::npos;
}

Text directory_of(const GenerateOptions& o) { return o.directory ? *o.directory : output_dir(); }

// Windows' file names ignore the case of Latin letters; Linux' do not.
template <typename Char>
bool same_name_part(std::basic_string_view<Char> a, std::basic_string_view<Char> b)
{
    const auto fold = [](Char c) { return path_separator == '\\' && c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](Char x, Char y) { return fold(x) == fold(y); });
}

// The number in a directory entry named base, digits, extension; -1 for any
// other name. A number with a leading zero names no file a run writes: 0.
long long number_in_name(const std::filesystem::path& file, const std::filesystem::path& base,
                         const std::filesystem::path& extension)
{
    using View = std::basic_string_view<std::filesystem::path::value_type>;
    const View name = file.native(), b = base.native(), e = extension.native();
    if (name.size() <= b.size() + e.size() || !same_name_part(name.substr(0, b.size()), b) ||
        !same_name_part(name.substr(name.size() - e.size()), e))
        return -1;
    const View digits = name.substr(b.size(), name.size() - b.size() - e.size());
    long long n = 0;
    for (const auto c : digits) {
        if (c < '0' || c > '9')
            return -1;
        n = std::min<long long>(n * 10 + (c - '0'), INT32_MAX / 2); // room to number on after it
    }
    return digits.size() > 1 && digits[0] == '0' ? 0 : n;
}

Message tip(const Text& text) { return {text, "提示！"_t}; }

Message unwritten(const Text& file_name, const Text& why)
{
    return tip("文本“"_t + file_name + "”生成失败："_t + why + "！未生成的账号仍留在左侧。"_t);
}

// Thousands of files take minutes: every interval the run tells how far it is.
class Progress {
public:
    Progress(const GenerateHooks& hooks, int files) : hooks_(hooks), files_(files) {}
    void file_written(int k)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!hooks_.progress || now - last_ < generate_progress_interval)
            return;
        last_ = now;
        hooks_.progress(k, files_);
    }

private:
    const GenerateHooks& hooks_;
    int files_;
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// The files reach the disk in one pass once the run stops, far cheaper than a
// flush per file: then "生成完毕！" means they are on disk.
Generation flushed(Generation r, std::span<const Text> written)
{
    if (Text why; !files_flush(written, &why)) {
        r.done = false;
        r.message = tip("文本未能写入磁盘："_t + why);
    }
    return r;
}

} // namespace

std::chrono::milliseconds generate_progress_interval{250};

int count_lines(const Text& text) { return static_cast<int>(account_line_spans(text.view()).size()); }

ExistingFiles existing_files(const Text& list, const GenerateOptions& o)
{
    ExistingFiles r;
    const int32_t n = txt_to_int(o.count);
    if (o.count.empty() || o.name.empty() || list.empty() || n <= 0)
        return r;
    const long long files = count_lines(list) / n;
    std::set<long long> taken; // of the run's own numbers
    std::error_code ec;
    const std::filesystem::path base = to_fs_path(o.name), extension = to_fs_path(o.extension);
    for (std::filesystem::directory_iterator it(to_fs_path(directory_of(o)), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_directory(kind)) // not replaced: its file fails to be written, as it always did
            continue;
        const long long number = number_in_name(it->path().filename(), base, extension);
        r.highest = static_cast<int>(std::max<long long>(r.highest, number));
        if (number >= o.first_number && number - o.first_number < files)
            taken.insert(number);
    }
    for (const long long number : taken)
        r.names.push_back(o.name + txt_from_int(static_cast<int32_t>(number)) + o.extension);
    return r;
}

Text replace_question(const ExistingFiles& e)
{
    const Text what = e.names.size() == 1 ? "同名文件 "_t + e.names[0]
                                          : " "_t + e.names[0] + " 等 "_t + txt_from_int(static_cast<int32_t>(e.names.size())) + " 个同名文件"_t;
    return "文件夹中已有"_t + what + "。\r\n是：覆盖它们　否：接着最大的编号往后生成　取消：不生成"_t;
}

Generation generate_files(std::shared_ptr<const Text> content, GenerateOptions o, const GenerateHooks& hooks)
{
    if (o.count.empty() || o.name.empty())
        return refused<Generation>(tip("请先设置好生成个数,和生成文本名字!"_t));
    if (content->empty())
        return refused<Generation>(tip("左侧编辑框不能为空！"_t));

    Generation r;
    r.list = AccountList(std::move(content));
    const int32_t n = txt_to_int(o.count);
    o.block.count = n;
    const int files = n > 0 ? r.list.line_count() / n : 0; // a zero or negative count makes none
    Progress progress(hooks, files);
    std::vector<Text> written;
    for (int k = 1; k <= files; ++k) {
        // Stopped, a run ends as when a file cannot be written: what it wrote
        // stays, and the accounts it did not write stay in the list.
        if (stop_asked()) {
            r.done = false;
            r.stopped = true;
            return flushed(std::move(r), written);
        }
        if (hooks.before_file)
            hooks.before_file(o);
        const Text file_name = o.name + txt_from_int(o.first_number - 1 + k) + o.extension;
        if (!stays_in_program_dir(file_name)) {
            r.done = false;
            r.message = unwritten(file_name, "文本名不能含有“/”或“..”"_t);
            return flushed(std::move(r), written);
        }

        const AccountList before = r.list;
        if (hooks.before_block)
            hooks.before_block(o.block);
        const AccountList::Block block = r.list.take(o.block);
        if (!block.done) {
            r.done = false;
            if (hooks.tell)
                hooks.tell(*block.message, r.list);
        }

        const Text directory = directory_of(o);
        Text why;
        const Text path = directory + Text(std::string(1, path_separator)) + file_name;
        if (!file_write(path, {txt_to_bytes(block.text)}, &why, FileFlush::later)) {
            r.list = before; // its accounts were not written: they stay in the list
            r.done = false;
            r.message = unwritten(file_name, why);
            return flushed(std::move(r), written);
        }
        written.push_back(path);
        ++r.written;
        progress.file_written(k);
        report_progress(static_cast<double>(k) / files);
    }
    r.message = tip("生成完毕！"_t);
    // An installed program writes elsewhere than users expect: say where.
    if (!o.directory) {
        if (const Text out = output_dir(); out != program_dir())
            r.message->text += "文本在："_t + out;
    }
    return flushed(std::move(r), written);
}

} // namespace fenrow
