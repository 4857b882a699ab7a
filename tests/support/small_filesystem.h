// A memory file system of a few kilobytes mounted on a fresh directory, so that
// tests meet a really full or read-only disk. Only root on Linux may mount;
// elsewhere mounted() is false and the test skips.
#pragma once

#include <cstddef>
#include <string>

namespace fenrow::test {

class SmallFilesystem {
public:
    explicit SmallFilesystem(std::size_t bytes);
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& path() const { return path_; }
    // Fills what space is left with one file, "filler".
    void fill() const;
    // From now on nothing can be written, whatever the permissions.
    bool make_read_only() const;

private:
    std::string path_;
    bool mounted_ = false;
};

} // namespace fenrow::test
