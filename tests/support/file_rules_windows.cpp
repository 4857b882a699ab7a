#include "tests/support/file_rules.h"

namespace fenrow::test {

bool read_only_directory_refuses_writes() { return false; }

bool read_only_file_refuses_replacement() { return true; }

bool files_have_permission_bits() { return false; }

} // namespace fenrow::test
