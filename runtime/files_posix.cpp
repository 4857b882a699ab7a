#include "runtime/file_system.h"

#include "runtime/codepage.h"
#include "runtime/files.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fenrow {

extern const char path_separator = '/';

namespace file_system {

namespace {

using std::size_t;
using std::string_view;

std::string fs_path(const Text& path) { return text_to_utf8(path); }

int write_all(int fd, string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

// The temporary file's name must stay within the name limit even when the
// target's name nearly fills it; the rename then reports a target too long.
std::string temp_prefix(const std::string& path)
{
    constexpr size_t suffix_len = 10; // ".tmp" + six characters
    const size_t slash = path.rfind('/');
    const size_t base_start = slash == std::string::npos ? 0 : slash + 1;
    size_t base_len = path.size() - base_start;
    if (base_len + suffix_len > NAME_MAX) {
        base_len = NAME_MAX - suffix_len;
        while (base_len > 0 && (static_cast<unsigned char>(path[base_start + base_len]) & 0xC0) == 0x80)
            --base_len; // keep whole UTF-8 characters
    }
    return path.substr(0, base_start + base_len) + ".tmp";
}

} // namespace

int read_file(const Text& path, std::string& out, std::size_t room_per_byte)
{
    out.clear();
    int fd;
    do {
        fd = ::open(fs_path(path).c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        out.reserve(static_cast<size_t>(st.st_size) * (static_cast<size_t>(st.st_size) <= SIZE_MAX / room_per_byte ? room_per_byte : 1));
    char buf[65536];
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            err = errno;
            break;
        }
    }
    ::close(fd);
    return err;
}

bool is_missing(int err) { return err == ENOENT; }

int replace_file(const Text& path, std::span<const string_view> parts)
{
    const std::string target = fs_path(path);
    struct stat st {};
    std::optional<mode_t> keep_mode;
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return EISDIR;
        if (S_ISREG(st.st_mode))
            keep_mode = st.st_mode & 07777;
    }

    const std::string prefix = temp_prefix(target);
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = prefix + random_suffix();
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST && errno != EINTR)
            return errno;
    }
    if (fd < 0)
        return EEXIST;

    int err = 0;
    for (string_view part : parts) {
        if ((err = write_all(fd, part)) != 0)
            break;
    }
    if (err == 0 && keep_mode)
        ::fchmod(fd, *keep_mode); // a replaced file keeps its permissions; failing that is no reason to fail
    // No fsync: the rename already keeps a crash of the program from leaving
    // half a file, and a sync per file made writing many small files 4-5 times slower.
    // Linux releases the descriptor even when close reports EINTR.
    if (::close(fd) != 0 && err == 0 && errno != EINTR)
        err = errno;
    if (err == 0 && ::rename(temp.c_str(), target.c_str()) != 0)
        err = errno;
    if (err != 0)
        ::unlink(temp.c_str());
    return err;
}

bool delete_file(const Text& path) { return ::unlink(fs_path(path).c_str()) == 0; }

Text failure_reason(int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
        return "没有写入权限"_t;
    case ENOSPC:
    case EDQUOT:
        return "磁盘空间不足"_t;
    case ENOENT:
    case ENOTDIR:
        return "目录不存在"_t;
    case ENAMETOOLONG:
        return "文件名太长"_t;
    case EISDIR:
        return "同名的目录已存在"_t;
    default:
        return text_from_utf8(std::generic_category().message(err));
    }
}

std::optional<Text> running_program()
{
    std::string buf(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return std::nullopt;
        if (static_cast<size_t>(n) < buf.size()) {
            buf.resize(static_cast<size_t>(n));
            return text_from_utf8(buf);
        }
        buf.resize(buf.size() * 2);
    }
}

bool change_directory(const Text& dir) { return ::chdir(dir.empty() ? "/" : fs_path(dir).c_str()) == 0; }

std::optional<Text> temporary_dir()
{
    const char* dir = std::getenv("TMPDIR");
    return text_from_utf8(dir != nullptr && *dir == '/' ? dir : "/tmp");
}

namespace {

// XDG_DOCUMENTS_DIR="$HOME/…" from the user's user-dirs.dirs, as desktops write it.
std::optional<std::string> xdg_documents(const std::string& home)
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::ifstream in((config != nullptr && *config == '/' ? std::string(config) : home + "/.config") + "/user-dirs.dirs");
    static constexpr string_view key = "XDG_DOCUMENTS_DIR=\"";
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with(key) || line.size() < key.size() + 1 || line.back() != '"')
            continue;
        std::string dir = line.substr(key.size(), line.size() - key.size() - 1);
        if (dir.starts_with("$HOME"))
            dir = home + dir.substr(5);
        if (dir.starts_with('/') && dir != home && dir != home + "/")
            return dir; // a documents folder that is the home folder itself means none
    }
    return std::nullopt;
}

} // namespace

std::optional<Text> documents_dir()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/')
        return std::nullopt;
    return text_from_utf8(xdg_documents(home).value_or(std::string(home) + "/Documents"));
}

bool is_inside(const Text& path, const Text& root)
{
    const string_view p = path.view(), r = root.view().ends_with('/') ? root.view().substr(0, root.size() - 1) : root.view();
    return p.starts_with(r) && (p.size() == r.size() || p[r.size()] == '/');
}

bool make_directories(const Text& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(to_fs_path(dir), ec);
    return std::filesystem::is_directory(to_fs_path(dir), ec);
}

} // namespace file_system
} // namespace fenrow
