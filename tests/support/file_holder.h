// Other programs holding files, as an editor, a sync client or a virus
// scanner does on Windows; Linux replaces a file whatever holds it open.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

namespace fenrow::test {

unsigned long this_process_id();

// Another program holding a file keeps it from being replaced (Windows).
bool held_files_refuse_replacement();

// The file is hidden from a folder listing: its attribute (Windows) or its
// leading dot.
bool is_hidden(const std::filesystem::path& file);

// From another thread (the system's sharing rules are the same as for another
// process), holds the file open sharing nothing for the time given; or, as a
// scanner, each file that appears in the folder while it runs.
class FileHolder {
public:
    static FileHolder one_file(const std::filesystem::path& file, std::chrono::milliseconds hold);
    static FileHolder scanner(const std::filesystem::path& folder, std::chrono::milliseconds hold);
    FileHolder(FileHolder&&) noexcept;
    ~FileHolder(); // waits for the hold in progress to end
    // The file is held now (one_file only; false when it could not be opened).
    bool holding() const;

    struct State;

private:
    explicit FileHolder(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

} // namespace fenrow::test
