#include "runtime/file_system.h"

#include "runtime/codepage.h"
#include "runtime/files.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <span>
#include <signal.h>
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

size_t base_start(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// A hidden name beside the target for its temporary file; it must stay within
// the name limit even when the target's name nearly fills it (the rename then
// reports a target too long).
std::string temp_path(const std::string& path)
{
    const std::string tail = temp_name_tail(static_cast<unsigned long>(::getpid()));
    const size_t start = base_start(path);
    size_t base_len = path.size() - start;
    if (1 + base_len + tail.size() > NAME_MAX) {
        base_len = NAME_MAX - 1 - tail.size();
        while (base_len > 0 && (static_cast<unsigned char>(path[start + base_len]) & 0xC0) == 0x80)
            --base_len; // keep whole UTF-8 characters
    }
    return path.substr(0, start) + "." + path.substr(start, base_len) + tail;
}

std::string folder_of(const std::string& path)
{
    const size_t start = base_start(path);
    return start == 0 ? std::string(".") : start == 1 ? std::string("/") : path.substr(0, start - 1);
}

int open_folder(const std::string& dir)
{
    return ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Temporary files whose writer was killed: gone from the process table.
void remove_leftovers(const std::string& dir)
{
    if (!first_write_into(dir))
        return;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::optional<unsigned long> writer = temp_name_writer(name);
        if (!writer || *writer == static_cast<unsigned long>(::getpid()) || *writer > static_cast<unsigned long>(INT_MAX))
            continue;
        if (::kill(static_cast<pid_t>(*writer), 0) == 0 || errno != ESRCH)
            continue;
        struct stat st {};
        const std::string file = (dir == "/" ? dir : dir + "/") + name;
        if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(file.c_str());
    }
}

// An unnamed file in the folder, given a name only once complete; file
// systems without O_TMPFILE get a hidden name from the start.
int open_temp(const std::string& dir, const std::string& target, std::string& named)
{
    int fd;
    do {
        fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL))
        return fd < 0 ? -errno : fd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        named = temp_path(target);
        fd = ::open(named.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST && errno != EINTR)
            return -errno;
    }
    return -EEXIST;
}

// Gives the unnamed file a hidden name beside the target.
int link_temp(int fd, const std::string& target, std::string& named)
{
    const std::string proc = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        named = temp_path(target);
        if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        if (errno != EEXIST && errno != EINTR) {
            const int err = errno;
            named.clear();
            return err;
        }
    }
    named.clear();
    return EEXIST;
}

int sync_folder(const std::string& dir)
{
    const int fd = open_folder(dir);
    if (fd < 0)
        return errno;
    const int err = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno; // EINVAL: a folder that takes no sync
    ::close(fd);
    return err;
}

} // namespace

namespace {

// The file opened for reading, retried when a signal interrupts; -errno when it cannot be.
int open_for_reading(const Text& path)
{
    int fd;
    do {
        fd = ::open(fs_path(path).c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? -errno : fd;
}

// fd read to its end through buf, each block handed to f until f says stop; closed after.
int read_through(int fd, std::span<char> buf, const std::function<bool(string_view)>& f)
{
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n > 0) {
            if (!f(string_view(buf.data(), static_cast<size_t>(n))))
                break;
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

} // namespace

int read_file(const Text& path, std::string& out, std::size_t room_per_byte)
{
    out.clear();
    const int fd = open_for_reading(path);
    if (fd < 0)
        return -fd;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        out.reserve(static_cast<size_t>(st.st_size) * (static_cast<size_t>(st.st_size) <= SIZE_MAX / room_per_byte ? room_per_byte : 1));
    char buf[65536];
    return read_through(fd, buf, [&out](string_view block) {
        out.append(block);
        return true;
    });
}

int read_file_blocks(const Text& path, std::size_t block, const std::function<bool(string_view)>& f)
{
    const int fd = open_for_reading(path);
    if (fd < 0)
        return -fd;
    std::string buf(block, '\0');
    return read_through(fd, buf, f);
}

bool is_missing(int err) { return err == ENOENT; }

int replace_file(const Text& path, const std::function<int(const WritePart&)>& produce, Flush flush)
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
    const std::string dir = folder_of(target);
    remove_leftovers(dir);

    std::string named; // the temporary file's name once it has one
    const int fd = open_temp(dir, target, named);
    if (fd < 0)
        return -fd;

    int err = produce([fd](string_view part) { return write_all(fd, part); });
    if (err == 0 && keep_mode)
        ::fchmod(fd, *keep_mode); // a replaced file keeps its permissions; failing that is no reason to fail
    if (err == 0 && flush == Flush::before_rename && ::fsync(fd) != 0)
        err = errno;
    if (err == 0 && named.empty())
        err = link_temp(fd, target, named);
    // Linux releases the descriptor even when close reports EINTR.
    if (::close(fd) != 0 && err == 0 && errno != EINTR)
        err = errno;
    if (err == 0 && ::rename(named.c_str(), target.c_str()) != 0)
        err = errno;
    if (err != 0) {
        if (!named.empty())
            ::unlink(named.c_str());
        return err;
    }
    return flush == Flush::before_rename ? sync_folder(dir) : 0;
}

int flush_written(std::span<const Text> paths)
{
    // One syncfs per file system covers every file and rename in it.
    std::set<std::string> dirs;
    for (const Text& path : paths)
        dirs.insert(folder_of(fs_path(path)));
    for (const std::string& dir : dirs) {
        const int fd = open_folder(dir);
        if (fd < 0)
            return errno;
        const int err = ::syncfs(fd) == 0 ? 0 : errno;
        ::close(fd);
        if (err != 0)
            return err;
    }
    return 0;
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
    case EBUSY:
    case ETXTBSY:
        return "文件正被其他程序占用，请关闭后重试"_t;
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

// The user's configuration folder: $XDG_CONFIG_HOME, unless it is unset,
// empty or relative (which the desktops' rule says to ignore), else ~/.config.
std::string config_home(const std::string& home)
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return config != nullptr && *config == '/' ? std::string(config) : home + "/.config";
}

// XDG_DOCUMENTS_DIR="$HOME/…" from the user's user-dirs.dirs, as desktops write it.
std::optional<std::string> xdg_documents(const std::string& home)
{
    std::ifstream in(config_home(home) + "/user-dirs.dirs");
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

std::optional<Text> settings_dir()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config == '/')
        return text_from_utf8(std::string(config) + "/fenrow");
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home != '/')
        return std::nullopt;
    return text_from_utf8(config_home(home) + "/fenrow");
}

std::vector<Text> program_folders() { return {Text("/usr"), Text("/bin"), Text("/sbin")}; }

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
