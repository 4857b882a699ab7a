// What the file system refuses or keeps, where systems (and users) differ;
// cases that need one of these skip where it does not hold.
#pragma once

namespace fenrow::test {

// A directory without write permission keeps this process from writing in
// it: not for root, and Windows keeps no such permission on directories.
bool read_only_directory_refuses_writes();

// A file marked read-only cannot be replaced (Windows); Linux replaces it
// when its directory is writable.
bool read_only_file_refuses_replacement();

// Files carry POSIX permission bits (Linux).
bool files_have_permission_bits();

} // namespace fenrow::test
