#include "app/window_settings.h"

#include "runtime/codepage.h"
#include "runtime/file_system.h"
#include "runtime/files.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace fenrow {

// The file is UTF-8, not the code page the program works in: it is the one
// form every text editor on both systems opens right without being told,
// and it holds every character a box can, so a user who looks into it or
// fixes a value by hand sees the real text. Lines end CR LF on both systems,
// for the editors on Windows that know no other ending.
//
// A line is key=value: the key is the control's name, the value everything
// after the first '=' to the line's end, blanks, '=' and ';' included. Four
// escapes keep every edit box's bytes on one line and give them back exactly:
// "\\" a backslash, "\r" and "\n" a CR and an LF, "\xHH" a byte that forms no
// character of its own (one the box holds as it came). Check and radio boxes
// are 1 or 0. The combo box keeps its item's text rather than its index: a
// list that gains or reorders items later still finds the same ending, and
// one that drops it starts with the first item.
//
// Damage, whose controls start with their initial values and which the hint
// pane reports: a file over the limit or not UTF-8 (every control); a line
// that is neither blank, comment, section nor key=value, or a last line
// without its end, as a file cut short has (what it holds); a value no control of its kind takes: a bad escape, a check
// value other than 1 or 0, a radio group with none or several on, an item
// the combo box lacks. Unknown keys and other sections are left alone, and an
// edit box's text is never judged: a count that is no number is what the user
// typed. An empty file is a portable copy's first start, not damage.
Text window_settings_file;

namespace {

constexpr std::string_view bom = "\xEF\xBB\xBF";
const std::string& section_name()
{
    static const std::string name = text_to_utf8("主窗口"_t);
    return name;
}

std::string_view trim_blanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string escaped(const Text& t)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    const std::string_view s = t.view();
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '\\' || c == '\r' || c == '\n') {
            out.push_back('\\');
            out.push_back(c == '\\' ? '\\' : c == '\r' ? 'r' : 'n');
            ++i;
            continue;
        }
        const Cp936Char ch = cp936_char_at(s.substr(i));
        const auto piece = s.substr(i, static_cast<std::size_t>(ch.length));
        if (ch.exact) {
            out += text_to_utf8(Text(piece));
        } else {
            for (const char b : piece) {
                const auto u = static_cast<unsigned char>(b);
                out.push_back('\\');
                out.push_back('x');
                out.push_back(hex[u >> 4]);
                out.push_back(hex[u & 0xF]);
            }
        }
        i += piece.size();
    }
    return out;
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The bytes of a value; nullopt for an escape we never write.
std::optional<Text> unescaped(std::string_view v)
{
    std::string out;
    std::size_t run = 0; // start of the UTF-8 not yet converted
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\')
            continue;
        out += text_from_utf8(v.substr(run, i - run)).str();
        const char e = i + 1 < v.size() ? v[i + 1] : '\0';
        if (e == '\\' || e == 'r' || e == 'n') {
            out += e == '\\' ? '\\' : e == 'r' ? '\r' : '\n';
            i += 1;
        } else if (e == 'x' && i + 3 < v.size() && hex_digit(v[i + 2]) >= 0 && hex_digit(v[i + 3]) >= 0 &&
                   (v[i + 2] != '0' || v[i + 3] != '0')) { // a text holds no zero byte
            out += static_cast<char>(hex_digit(v[i + 2]) * 16 + hex_digit(v[i + 3]));
            i += 3;
        } else {
            return std::nullopt;
        }
        run = i + 1;
    }
    out += text_from_utf8(v.substr(run)).str();
    return Text(std::move(out));
}

struct ParsedFile {
    std::map<std::string, std::string, std::less<>> values; // key → value as written
    bool damaged = false;
};

ParsedFile parse(std::string_view file)
{
    ParsedFile p;
    if (file.size() > settings_file_limit || !valid_utf8(file)) {
        p.damaged = true;
        return p;
    }
    if (file.starts_with(bom)) // as some editors save UTF-8
        file.remove_prefix(bom.size());
    enum { before_any, ours, other } section = before_any;
    while (!file.empty()) {
        const std::size_t end = file.find('\n');
        if (end == std::string_view::npos) { // cut short: we end every line
            p.damaged = true;
            break;
        }
        std::string_view line = file.substr(0, end);
        file.remove_prefix(end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const std::string_view t = trim_blanks(line);
        if (t.empty() || t.front() == ';' || t.front() == '#')
            continue;
        if (t.front() == '[' && t.back() == ']') {
            section = trim_blanks(t.substr(1, t.size() - 2)) == section_name() ? ours : other;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (section == before_any || (section == ours && eq == std::string_view::npos)) {
            p.damaged = true;
            continue;
        }
        if (section == ours)
            p.values.emplace(trim_blanks(line.substr(0, eq)), line.substr(eq + 1)); // the first of a key counts
    }
    return p;
}

std::vector<Text> combo_items(const ControlSpec& row)
{
    std::vector<Text> items;
    for (std::string_view s = row.text;;) {
        const std::size_t nl = s.find('\n');
        items.push_back(text_from_utf8(s.substr(0, nl)));
        if (nl == std::string_view::npos)
            return items;
        s.remove_prefix(nl + 1);
    }
}

const std::string* value_of(const ParsedFile& p, const ControlSpec& row)
{
    const auto it = p.values.find(row.name.utf8);
    return it == p.values.end() ? nullptr : &it->second;
}

// A check or radio box's value: nullopt when it is neither 1 nor 0.
std::optional<bool> on_off(const std::string& v)
{
    if (v == "1" || v == "0")
        return v == "1";
    return std::nullopt;
}

} // namespace

bool kept_in_settings(const ControlSpec& row)
{
    switch (row.kind) {
    case ControlKind::edit: return !row.multi_line;
    case ControlKind::check_box:
    case ControlKind::radio_box:
    case ControlKind::combo_box: return true;
    default: return false;
    }
}

std::string settings_text(TableWindow& w)
{
    std::string out = text_to_utf8("; Fenrow 关闭窗口时保存的选项。值为第一个“=”之后的全部文字；\\\\ \\r \\n \\xHH 为转义。"_t);
    out.append("\r\n[").append(section_name()).append("]\r\n");
    for (const ControlSpec& row : w.table()) {
        if (!kept_in_settings(row))
            continue;
        std::string value;
        switch (row.kind) {
        case ControlKind::edit: value = escaped(w.get_content(row.name)); break;
        case ControlKind::combo_box: value = escaped(w.get_item(row.name, w.get_selection(row.name))); break;
        default: value.push_back(w.is_checked(row.name) ? '1' : '0'); break;
        }
        if (value.size() > settings_value_limit)
            continue;
        out.append(row.name.utf8).append("=").append(value).append("\r\n");
    }
    return out;
}

bool apply_settings(TableWindow& w, std::string_view file)
{
    const ParsedFile p = parse(file);
    bool damaged = p.damaged;
    // The radio boxes of each container are one group, of which exactly one is on.
    struct RadioGroup {
        const ControlSpec* on = nullptr; // none: the initial one
        bool kept = false, bad = false;
    };
    std::map<std::string_view, RadioGroup> groups;
    for (const ControlSpec& row : w.table()) {
        if (row.kind != ControlKind::radio_box)
            continue;
        RadioGroup& g = groups[row.container.utf8];
        const std::string* v = value_of(p, row);
        if (v == nullptr)
            continue;
        g.kept = true;
        const std::optional<bool> on = on_off(*v);
        if (!on || (*on && g.on != nullptr))
            g.bad = true;
        else if (*on)
            g.on = &row;
    }
    for (auto& [name, g] : groups) {
        if (g.kept && (g.bad || g.on == nullptr)) {
            damaged = true;
            g.on = nullptr;
        }
    }

    for (const ControlSpec& row : w.table()) {
        if (!kept_in_settings(row))
            continue;
        const std::string* v = value_of(p, row);
        switch (row.kind) {
        case ControlKind::edit: {
            std::optional<Text> t = v != nullptr ? unescaped(*v) : std::nullopt;
            damaged |= v != nullptr && !t;
            const Text wanted = t ? std::move(*t) : text_from_utf8(row.text);
            // As the program writes a box: the copy workers read is dropped, as
            // a user's edit drops it, and content-changed is raised, which no
            // handler of a small box takes. Only a change is written, as only
            // a change of the user's is reported.
            if (w.get_content(row.name) != wanted)
                w.set_content(row.name, wanted);
            break;
        }
        case ControlKind::check_box: {
            const std::optional<bool> on = v != nullptr ? on_off(*v) : std::nullopt;
            damaged |= v != nullptr && !on;
            w.set_checked(row.name, on.value_or(row.initially_on));
            break;
        }
        case ControlKind::radio_box: {
            const ControlSpec* chosen = groups[row.container.utf8].on;
            if (chosen == nullptr ? row.initially_on : chosen == &row)
                w.set_checked(row.name, true); // turns the others of the group off
            break;
        }
        case ControlKind::combo_box: {
            const std::vector<Text> items = combo_items(row);
            int index = 0;
            if (v != nullptr) {
                const std::optional<Text> t = unescaped(*v);
                const auto it = t ? std::find(items.begin(), items.end(), *t) : items.end();
                if (it == items.end())
                    damaged = true;
                else
                    index = static_cast<int>(it - items.begin());
            }
            w.set_selection(row.name, index);
            break;
        }
        default: break;
        }
    }
    return !damaged;
}

Text damaged_settings_note(const Text& path) { return "设置文件已损坏，已恢复默认设置："_t + path; }

Text unreadable_settings_note(const Text& path) { return "设置文件无法读取，已使用默认设置："_t + path; }

void restore_window_settings(TableWindow& w)
{
    if (window_settings_file.empty())
        return;
    std::string bytes;
    const int err = file_system::read_file_blocks(window_settings_file, 64 << 10, [&bytes](std::string_view block) {
        bytes.append(block);
        return bytes.size() <= settings_file_limit; // a larger file is read no further
    });
    if (file_system::is_missing(err))
        return; // the first start
    if (err != 0)
        w.set_pane_text(ctl::status_bar, hint_pane, unreadable_settings_note(window_settings_file));
    else if (!apply_settings(w, bytes))
        w.set_pane_text(ctl::status_bar, hint_pane, damaged_settings_note(window_settings_file));
}

bool save_window_settings(TableWindow& w)
{
    if (window_settings_file.empty())
        return false;
    const std::string text = settings_text(w);
    file_system::make_directories(dir_of(window_settings_file)); // a write that still fails says false
    return file_write(window_settings_file, {ByteArray(text)});
}

} // namespace fenrow
