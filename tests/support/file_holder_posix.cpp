#include "tests/support/file_holder.h"

#include <unistd.h>

namespace fenrow::test {

struct FileHolder::State {};

unsigned long this_process_id() { return static_cast<unsigned long>(::getpid()); }

bool held_files_refuse_replacement() { return false; }

bool is_hidden(const std::filesystem::path& file) { return file.filename().string().starts_with('.'); }

FileHolder FileHolder::one_file(const std::filesystem::path&, std::chrono::milliseconds)
{
    return FileHolder(std::make_shared<State>());
}

FileHolder FileHolder::scanner(const std::filesystem::path&, std::chrono::milliseconds)
{
    return FileHolder(std::make_shared<State>());
}

FileHolder::FileHolder(std::shared_ptr<State> state) : state_(std::move(state)) {}
FileHolder::FileHolder(FileHolder&&) noexcept = default;
FileHolder::~FileHolder() = default;
bool FileHolder::holding() const { return false; }

} // namespace fenrow::test
