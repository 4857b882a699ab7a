#include "tests/support/file_holder.h"

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <windows.h>

namespace fenrow::test {

struct FileHolder::State {
    std::atomic<bool> stop{false};
    std::atomic<bool> holding{false};
    std::thread thread;
};

namespace {

HANDLE open_sharing_nothing(const std::wstring& file)
{
    return ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

unsigned long this_process_id() { return ::GetCurrentProcessId(); }

bool held_files_refuse_replacement() { return true; }

bool is_hidden(const std::filesystem::path& file)
{
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
}

FileHolder FileHolder::one_file(const std::filesystem::path& file, std::chrono::milliseconds hold)
{
    auto state = std::make_shared<State>();
    const HANDLE h = open_sharing_nothing(file.wstring());
    state->holding = h != INVALID_HANDLE_VALUE;
    if (h != INVALID_HANDLE_VALUE) {
        state->thread = std::thread([h, hold, s = state.get()] {
            ::Sleep(static_cast<DWORD>(hold.count()));
            ::CloseHandle(h);
            s->holding = false;
        });
    }
    return FileHolder(std::move(state));
}

// Looks at the folder every millisecond, and holds every name it has not
// held before as soon as it can open it.
FileHolder FileHolder::scanner(const std::filesystem::path& folder, std::chrono::milliseconds hold)
{
    auto state = std::make_shared<State>();
    state->thread = std::thread([folder = folder.wstring(), hold, s = state.get()] {
        std::set<std::wstring> held;
        while (!s->stop) {
            WIN32_FIND_DATAW found;
            const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
            HANDLE h = INVALID_HANDLE_VALUE;
            if (search != INVALID_HANDLE_VALUE) {
                do {
                    const std::wstring name = found.cFileName;
                    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || held.contains(name))
                        continue;
                    h = open_sharing_nothing(folder + L"\\" + name);
                    if (h != INVALID_HANDLE_VALUE) {
                        held.insert(name);
                        break;
                    }
                } while (::FindNextFileW(search, &found));
                ::FindClose(search);
            }
            if (h != INVALID_HANDLE_VALUE) {
                ::Sleep(static_cast<DWORD>(hold.count()));
                ::CloseHandle(h);
            } else {
                ::Sleep(1);
            }
        }
    });
    return FileHolder(std::move(state));
}

FileHolder::FileHolder(std::shared_ptr<State> state) : state_(std::move(state)) {}
FileHolder::FileHolder(FileHolder&&) noexcept = default;

FileHolder::~FileHolder()
{
    if (!state_)
        return;
    state_->stop = true;
    if (state_->thread.joinable())
        state_->thread.join();
}

bool FileHolder::holding() const { return state_->holding; }

} // namespace fenrow::test
