#include "tests/support/small_filesystem.h"

namespace fenrow::test {

// Windows mounts no memory file system for a test: mounted() stays false.
SmallFilesystem::SmallFilesystem(std::size_t) {}

SmallFilesystem::~SmallFilesystem() = default;

void SmallFilesystem::fill() const {}

bool SmallFilesystem::make_read_only() const { return false; }

} // namespace fenrow::test
