// A fresh directory for a test under the system's temporary directory.
#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace fenrow::test {

// prefix followed by six random letters; the caller removes it.
inline std::filesystem::path make_temp_dir(const std::string& prefix)
{
    static std::mt19937_64 gen{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 6; ++i)
            name += static_cast<char>('a' + gen() % 26);
        const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
        if (std::filesystem::create_directory(dir))
            return dir;
    }
    throw std::runtime_error("no fresh temporary directory for " + prefix);
}

// make_temp_dir's directory, removed with all it holds at the end of the scope.
class TempDir {
public:
    explicit TempDir(const std::string& prefix) : path_(make_temp_dir(prefix)) {}
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace fenrow::test
