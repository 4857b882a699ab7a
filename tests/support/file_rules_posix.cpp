#include "tests/support/file_rules.h"

#include <unistd.h>

namespace fenrow::test {

bool read_only_directory_refuses_writes() { return ::geteuid() != 0; }

bool read_only_file_refuses_replacement() { return false; }

bool files_have_permission_bits() { return true; }

} // namespace fenrow::test
