#include "tests/support/small_filesystem.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace fenrow::test {

SmallFilesystem::SmallFilesystem(std::size_t bytes)
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "fenrow-small-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr)
        return;
    path_ = tmpl;
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    mounted_ = ::geteuid() == 0 && ::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallFilesystem::~SmallFilesystem()
{
    if (mounted_)
        ::umount2(path_.c_str(), MNT_DETACH);
    if (!path_.empty())
        ::rmdir(path_.c_str());
}

void SmallFilesystem::fill() const
{
    const int fd = ::open((path_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
}

bool SmallFilesystem::make_read_only() const
{
    return mounted_ && ::mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

} // namespace fenrow::test
