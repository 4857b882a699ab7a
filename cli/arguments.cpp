#include "cli/arguments.h"

#include "runtime/codepage.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <iterator>
#include <string_view>

namespace fenrow {

namespace {

using std::string_view;

// A flag as the user gives it, and what it sets; value is empty for flags
// that take none.
struct Flag {
    const char* name;
    const char* operations; // the operations that take it, by name; nullptr: every one
    bool takes_value;
    void (*set)(CliRequest& r, const Text& value);
};

const Flag flags[] = {
    {"--prefix", "number", true, [](CliRequest& r, const Text& v) { r.number.prefix = v; }},
    {"--no-number", "number", false, [](CliRequest& r, const Text&) { r.number.numbering = false; }},
    {"--suffix", "number", true,
     [](CliRequest& r, const Text& v) {
         r.number.suffix = true;
         r.number.symbol = v;
     }},
    {"--suffix-text", "number", true,
     [](CliRequest& r, const Text& v) {
         r.number.suffix = true;
         r.number.chars = v;
     }},
    {"--group", "suffix", true, [](CliRequest& r, const Text& v) { r.suffix.group = txt_to_int(v); }},
    {"--mark", "suffix", true, [](CliRequest& r, const Text& v) { r.suffix.symbol = v; }},
    {"--first", "suffix", false, [](CliRequest& r, const Text&) { r.suffix.mode = MarkMode::first; }},
    {"--last", "suffix", false, [](CliRequest& r, const Text&) { r.suffix.mode = MarkMode::last; }},
    {"--head", "extract", true, [](CliRequest& r, const Text& v) { r.extract.head = v; }},
    {"--tail", "extract", true, [](CliRequest& r, const Text& v) { r.extract.tail = v; }},
    {"--count", "generate split", true, [](CliRequest& r, const Text& v) { r.generate.count = v; }},
    {"--name", "generate", true, [](CliRequest& r, const Text& v) { r.generate.name = v; }},
    {"--ext", "generate", true, [](CliRequest& r, const Text& v) { r.generate.extension = v; }},
    {"--top", "generate split", true,
     [](CliRequest& r, const Text& v) {
         r.generate.block.with_top = true;
         r.generate.block.top_text = v;
     }},
    {"--no-top", "generate split", false, [](CliRequest& r, const Text&) { r.generate.block.with_top = false; }},
    {"--prefix", "generate split", true,
     [](CliRequest& r, const Text& v) {
         r.generate.block.numbered = true;
         r.generate.block.separator = v;
     }},
    {"--no-number", "generate split", false, [](CliRequest& r, const Text&) { r.generate.block.numbered = false; }},
    {"--out-dir", "generate", true, [](CliRequest& r, const Text& v) { r.generate.directory = v; }},
    {"--overwrite", "generate", false, [](CliRequest& r, const Text&) { r.existing = CliRequest::Existing::overwrite; }},
    {"--continue", "generate", false, [](CliRequest& r, const Text&) { r.existing = CliRequest::Existing::go_on; }},
    {"--ignore-case", "dedupe dupes count intersect union only filter", false,
     [](CliRequest& r, const Text&) {
         r.compare.ignore_case = true;
         r.filter.ignore_case = true;
     }},
    {"--trim", "dedupe dupes count intersect union only", false, [](CliRequest& r, const Text&) { r.compare.trim = true; }},
    {"--invert", "filter", false, [](CliRequest& r, const Text&) { r.filter.invert = true; }},
    {"--regex", "filter", false, [](CliRequest& r, const Text&) { r.filter.regex = true; }},
    {"--natural", "sort", false, [](CliRequest& r, const Text&) { r.sort.natural = true; }},
    {"--reverse", "sort", false, [](CliRequest& r, const Text&) { r.sort.reverse = true; }},
    {"--seed", "shuffle", true, [](CliRequest& r, const Text& v) { r.seed = v; }},
    {"--rest", "split", true, [](CliRequest& r, const Text& v) { r.rest = v; }},
    {"-o", nullptr, true, [](CliRequest& r, const Text& v) { r.output = v; }},
    {"--output", nullptr, true, [](CliRequest& r, const Text& v) { r.output = v; }},
    {"--utf8", nullptr, false, [](CliRequest& r, const Text&) { r.utf8 = true; }},
    {"--encoding", nullptr, true,
     [](CliRequest& r, const Text& v) {
         r.detect_encoding = v.view() == "auto";
         r.encoding = r.detect_encoding ? std::nullopt : encoding_named(v);
         if (!r.detect_encoding && !r.encoding)
             r.bad_encoding = v;
     }},
    {"--crlf", nullptr, false, [](CliRequest& r, const Text&) { r.crlf = true; }},
    {"--lf", nullptr, false, [](CliRequest& r, const Text&) { r.crlf = false; }},
};

bool takes(const Flag& f, string_view operation)
{
    if (f.operations == nullptr)
        return true;
    for (string_view rest = f.operations; !rest.empty();) {
        const std::size_t space = std::min(rest.find(' '), rest.size());
        if (rest.substr(0, space) == operation)
            return true;
        rest.remove_prefix(std::min(space + 1, rest.size()));
    }
    return false;
}

const Flag* find_flag(string_view name, string_view operation)
{
    for (const Flag& f : flags) {
        if (name == f.name && takes(f, operation))
            return &f;
    }
    return nullptr;
}

} // namespace

std::optional<Text> parse_arguments(const std::vector<Text>& args, CliRequest& r)
{
    for (const Text& a : args) {
        if (a == Text("-h") || a == Text("--help"))
            r.help = true;
    }
    if (r.help)
        return std::nullopt;
    if (args.empty())
        return "no operation given (缺少操作名)"_t;
    for (const CliOperation& op : cli_operations()) {
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
        const Flag* flag = find_flag(name, r.op->name);
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
        flag->set(r, value);
    }
    if (r.bad_encoding)
        return "--encoding takes auto, gbk, utf-8, utf-16le, utf-16be or big5 (未知的编码)："_t + *r.bad_encoding;
    if (r.op->tool && list_tool(*r.op->tool).asks_text) {
        if (r.inputs.empty())
            return Text(r.op->name) + " needs the text to look for (缺少要查找的文本)"_t;
        r.filter.text = r.inputs.front();
        r.inputs.erase(r.inputs.begin());
    }
    if (r.op->inputs == 2 && r.inputs.size() != 2)
        return Text(r.op->name) + " takes two lists, A and B (需要两个文件：A 和 B)"_t;
    if (r.op->inputs == 1 && r.inputs.size() > 1)
        return "one input file at most (只能给一个输入文件)"_t;
    return std::nullopt;
}

std::optional<FileEncoding> encoding_named(const Text& name)
{
    std::string lower(name.view());
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const struct {
        const char* name;
        FileEncoding e;
    } names[] = {{"gbk", FileEncoding::gbk},         {"utf-8", FileEncoding::utf8}, {"utf8", FileEncoding::utf8},
                 {"utf-16le", FileEncoding::utf16le}, {"utf-16be", FileEncoding::utf16be}, {"big5", FileEncoding::big5}};
    for (const auto& n : names) {
        if (lower == n.name)
            return n.e;
    }
    return std::nullopt;
}

std::optional<Text> check_values(const CliRequest& r)
{
    const Text& extension = r.generate.extension;
    const auto offered = [&](const char* e) { return extension.view() == e; };
    if (std::none_of(std::begin(file_extensions), std::end(file_extensions), offered))
        return "--ext takes .txt or .ini (扩展名只能是 .txt 或 .ini)："_t + extension;
    if (r.seed) {
        const string_view v = r.seed->view();
        std::uint64_t n = 0;
        const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), n);
        if (v.empty() || error != std::errc() || end != v.data() + v.size())
            return "--seed takes a number from 0 to 18446744073709551615 (种子只能是非负整数)："_t + *r.seed;
    }
    return std::nullopt;
}

std::uint64_t shuffle_seed(const CliRequest& r)
{
    if (!r.seed)
        return fresh_seed();
    std::uint64_t n = 0;
    const string_view v = r.seed->view();
    std::from_chars(v.data(), v.data() + v.size(), n);
    return n;
}

} // namespace fenrow
