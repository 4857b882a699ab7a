#include "runtime/file_system.h"

#include "runtime/codepage.h"
#include "runtime/files.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>
#include <windows.h>
// after windows.h
#include <knownfolders.h>
#include <shlobj.h>

namespace fenrow {

extern const char path_separator = '\\';

namespace file_system {

namespace {

using std::size_t;
using std::string_view;

// The limit of one name in a path, in UTF-16 units.
constexpr size_t name_max = 255;

// Ours, not the system's: codes with bit 29 set are left to applications.
constexpr int directory_in_the_way = 0x20000001;

int last_error() { return static_cast<int>(::GetLastError()); }

std::wstring wide(const Text& text)
{
    const std::u16string u = text_to_utf16(text);
    return std::wstring(u.begin(), u.end());
}

bool starts_with(const std::wstring& s, const wchar_t* prefix) { return s.rfind(prefix, 0) == 0; }

// Beyond MAX_PATH the system takes only full paths marked \\?\; a path near
// the limit gets that form, so that its temporary file's longer name fits too.
std::wstring system_path(const Text& path)
{
    std::wstring w = wide(path);
    if (w.size() < MAX_PATH - 12 || starts_with(w, L"\\\\?\\"))
        return w;
    DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    std::wstring full;
    while (n > full.size()) {
        full.resize(n);
        n = ::GetFullPathNameW(w.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (n == 0)
        return w;
    full.resize(n);
    if (starts_with(full, L"\\\\?\\") || starts_with(full, L"\\\\.\\"))
        return full;
    if (starts_with(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

size_t name_start(const std::wstring& path)
{
    const size_t sep = path.find_last_of(L"\\/");
    return sep == std::wstring::npos ? 0 : sep + 1;
}

// A hidden name beside the target for its temporary file; it must stay within
// the name limit even when the target's name nearly fills it.
std::wstring temp_path(const std::wstring& path)
{
    const std::string t = temp_name_tail(::GetCurrentProcessId());
    const std::wstring tail(t.begin(), t.end());
    const size_t base_start = name_start(path);
    size_t base_len = path.size() - base_start;
    if (1 + base_len + tail.size() > name_max) {
        base_len = name_max - 1 - tail.size();
        const wchar_t next = path[base_start + base_len];
        if (next >= 0xDC00 && next <= 0xDFFF)
            --base_len; // keep surrogate pairs whole
    }
    return path.substr(0, base_start) + L"." + path.substr(base_start, base_len) + tail;
}

// What another program holding a file open makes the system answer: a
// scanner or a sync client lets go within a moment.
bool busy(int err) { return err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION || err == ERROR_ACCESS_DENIED; }

// Runs step until it succeeds, fails for another reason or the wait is over,
// backing off 10, 20, 40 ... ms.
template <class Step>
int retry_while_busy(Step step)
{
    const auto deadline = std::chrono::steady_clock::now() + busy_wait();
    DWORD pause = 10;
    for (;;) {
        const int err = step();
        const auto now = std::chrono::steady_clock::now();
        if (err == 0 || !busy(err) || now >= deadline)
            return err;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        ::Sleep(std::min<DWORD>(pause, static_cast<DWORD>(left) + 1));
        pause = std::min<DWORD>(pause * 2, 500);
    }
}

// Access denied also stands for a file another program holds without letting
// others delete it; opening it for deletion tells the two apart.
int true_reason(int err, const std::wstring& file)
{
    if (err != ERROR_ACCESS_DENIED)
        return err;
    const HANDLE probe = ::CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        ::CloseHandle(probe);
        return err;
    }
    const int probed = last_error();
    return probed == ERROR_SHARING_VIOLATION || probed == ERROR_LOCK_VIOLATION ? probed : err;
}

// The full path in the form the kernel takes for a rename by handle.
std::wstring nt_path(const std::wstring& path)
{
    std::wstring full = path;
    if (!starts_with(full, L"\\\\?\\")) {
        DWORD n = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
        full.clear();
        while (n > full.size()) {
            full.resize(n);
            n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        }
        full.resize(n);
        if (starts_with(full, L"\\\\"))
            return L"\\??\\UNC\\" + full.substr(2);
        return L"\\??\\" + full;
    }
    return L"\\??\\" + full.substr(4);
}

// Renamed through our own handle, which shares nothing: a program that grabs
// each new file (a scanner) cannot come between the write and the rename.
int rename_open_file(HANDLE file, const std::wstring& target)
{
    const std::wstring name = nt_path(target);
    const size_t size = sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(size, 0);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, name.data(), name.size() * sizeof(wchar_t));
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(size)) ? 0 : last_error();
}

std::wstring folder_of(const std::wstring& path)
{
    const size_t start = name_start(path);
    return start == 0 ? std::wstring(L".") : path.substr(0, start - 1);
}

// Temporary files whose writer was killed: no such process any more.
void remove_leftovers(const std::wstring& dir)
{
    if (!first_write_into(std::string(reinterpret_cast<const char*>(dir.data()), dir.size() * sizeof(wchar_t))))
        return;
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((dir + L"\\.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::string narrow; // only the ASCII tail and the leading dot matter
        for (const wchar_t* c = found.cFileName; *c != 0; ++c)
            narrow += *c < 0x80 ? static_cast<char>(*c) : '?';
        const std::optional<unsigned long> writer = temp_name_writer(narrow);
        if (!writer || *writer == ::GetCurrentProcessId())
            continue;
        const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(*writer));
        if (process != nullptr) {
            ::CloseHandle(process);
            continue;
        }
        if (::GetLastError() == ERROR_INVALID_PARAMETER)
            ::DeleteFileW((dir + L"\\" + found.cFileName).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

int write_all(HANDLE file, string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(bytes.size() < (1u << 30) ? bytes.size() : (1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr))
            return last_error();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        bytes.remove_prefix(written);
    }
    return 0;
}

Text system_message(int err)
{
    wchar_t* buf = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, static_cast<DWORD>(err), 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::u16string message(buf, buf + n);
    ::LocalFree(buf);
    // The system ends its sentences with a full stop and a line break; the
    // reason goes in the middle of ours.
    while (!message.empty() && (message.back() == u'\r' || message.back() == u'\n' || message.back() == u' ' ||
                                message.back() == u'.' || message.back() == u'\u3002'))
        message.pop_back();
    if (message.empty())
        return Text(("error " + std::to_string(static_cast<unsigned>(err))).c_str());
    return text_from_utf16(message);
}

} // namespace

int read_file(const Text& path, std::string& out, std::size_t room_per_byte)
{
    out.clear();
    const HANDLE file = ::CreateFileW(system_path(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return last_error();
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file, &size) && size.QuadPart > 0)
        out.reserve(static_cast<size_t>(size.QuadPart) * (static_cast<size_t>(size.QuadPart) <= SIZE_MAX / room_per_byte ? room_per_byte : 1));
    char buf[65536];
    int err = 0;
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file, buf, sizeof buf, &n, nullptr)) {
            err = last_error();
            break;
        }
        if (n == 0)
            break;
        out.append(buf, n);
    }
    ::CloseHandle(file);
    return err;
}

int read_file_blocks(const Text& path, std::size_t block, const std::function<bool(string_view)>& f)
{
    const HANDLE file = ::CreateFileW(system_path(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return last_error();
    std::string buf(std::min<std::size_t>(block, MAXDWORD), '\0');
    int err = 0;
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file, buf.data(), static_cast<DWORD>(buf.size()), &n, nullptr)) {
            err = last_error();
            break;
        }
        if (n == 0 || !f(string_view(buf.data(), n)))
            break;
    }
    ::CloseHandle(file);
    return err;
}

bool is_missing(int err) { return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND; }

int replace_file(const Text& path, const std::function<int(const WritePart&)>& produce, Flush flush)
{
    const std::wstring target = system_path(path);
    if (target.size() - name_start(target) > name_max)
        return ERROR_FILENAME_EXCED_RANGE;
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return directory_in_the_way;
    // Windows refuses to rename over a read-only file, but only after the
    // temporary file is written, and Wine as root does not refuse at all.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;

    remove_leftovers(folder_of(target));

    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = temp_path(target);
        file = ::CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            return last_error();
    }
    if (file == INVALID_HANDLE_VALUE)
        return ERROR_FILE_EXISTS;

    int err = produce([file](string_view part) { return write_all(file, part); });
    // Complete: the target must not inherit the temporary file's attributes.
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (err == 0 && !::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic))
        err = last_error();
    if (err == 0 && flush == Flush::before_rename && !::FlushFileBuffers(file))
        err = last_error();
    if (err == 0)
        err = true_reason(retry_while_busy([&] { return rename_open_file(file, target); }), target);
    if (err != 0) {
        // Deleted as our handle closes: nobody else can hold it open meanwhile.
        FILE_DISPOSITION_INFO gone{TRUE};
        if (!::SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof gone)) {
            ::CloseHandle(file);
            retry_while_busy([&] { return ::DeleteFileW(temp.c_str()) ? 0 : last_error(); });
            return err;
        }
    }
    if (!::CloseHandle(file) && err == 0)
        err = last_error();
    return err;
}

int flush_written(std::span<const Text> paths)
{
    // The system flushes one file at a time; a pass after the last file lets
    // the lazy writer have done most of the work already.
    for (const Text& path : paths) {
        const HANDLE file = ::CreateFileW(system_path(path).c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return last_error();
        const int err = ::FlushFileBuffers(file) ? 0 : last_error();
        ::CloseHandle(file);
        if (err != 0)
            return err;
    }
    return 0;
}

bool delete_file(const Text& path) { return ::DeleteFileW(system_path(path).c_str()) != 0; }

Text failure_reason(int err)
{
    switch (err) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
        return "没有写入权限"_t;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "磁盘空间不足"_t;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
        return "目录不存在"_t;
    case ERROR_FILENAME_EXCED_RANGE:
        return "文件名太长"_t;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "文件正被其他程序占用，请关闭后重试"_t;
    case directory_in_the_way:
        return "同名的目录已存在"_t;
    default:
        return system_message(err);
    }
}

std::optional<Text> running_program()
{
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return std::nullopt;
        if (n < buf.size()) {
            buf.resize(n);
            return text_from_utf16(std::u16string(buf.begin(), buf.end()));
        }
        buf.resize(buf.size() * 2);
    }
}

bool change_directory(const Text& dir)
{
    std::wstring w = wide(dir);
    if (w.empty() || w.back() == L':')
        w += L'\\';
    return ::SetCurrentDirectoryW(w.c_str()) != 0;
}

namespace {

// Short 8.3 names (C:\Users\ADMINI~1) spelled out, so that folders compare by name.
std::wstring long_name(std::wstring path)
{
    const DWORD n = ::GetLongPathNameW(path.c_str(), nullptr, 0);
    if (n == 0)
        return path;
    std::wstring full(n, L'\0');
    const DWORD m = ::GetLongPathNameW(path.c_str(), full.data(), n);
    if (m == 0 || m >= n)
        return path;
    full.resize(m);
    return full;
}

Text from_wide(const std::wstring& w) { return text_from_utf16(std::u16string(w.begin(), w.end())); }

} // namespace

std::optional<Text> temporary_dir()
{
    wchar_t buf[MAX_PATH + 2];
    const DWORD n = ::GetTempPathW(MAX_PATH + 2, buf);
    if (n == 0 || n > MAX_PATH + 1)
        return std::nullopt;
    std::wstring dir = long_name(std::wstring(buf, n));
    while (dir.size() > 3 && dir.back() == L'\\')
        dir.pop_back();
    return from_wide(dir);
}

std::optional<Text> documents_dir()
{
    PWSTR path = nullptr;
    std::optional<Text> dir;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DEFAULT, nullptr, &path)))
        dir = from_wide(path);
    ::CoTaskMemFree(path);
    return dir;
}

std::optional<Text> settings_dir()
{
    PWSTR path = nullptr;
    std::optional<Text> dir;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &path)))
        dir = from_wide(path) + "\\Fenrow";
    ::CoTaskMemFree(path);
    return dir;
}

std::vector<Text> program_folders()
{
    std::vector<Text> folders;
    for (const KNOWNFOLDERID& id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86}) {
        PWSTR path = nullptr;
        if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)))
            folders.push_back(from_wide(path));
        ::CoTaskMemFree(path);
    }
    return folders;
}

bool is_inside(const Text& path, const Text& root)
{
    std::wstring p = long_name(wide(path)), r = long_name(wide(root));
    while (!r.empty() && (r.back() == L'\\' || r.back() == L'/'))
        r.pop_back();
    if (p.size() < r.size() || (p.size() > r.size() && p[r.size()] != L'\\' && p[r.size()] != L'/'))
        return false;
    // Names compare as the file system compares them: without case.
    return ::CompareStringOrdinal(p.c_str(), static_cast<int>(r.size()), r.c_str(), static_cast<int>(r.size()), TRUE) == CSTR_EQUAL;
}

bool make_directories(const Text& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(to_fs_path(dir), ec);
    return std::filesystem::is_directory(to_fs_path(dir), ec);
}

} // namespace file_system
} // namespace fenrow
