// Libraries loaded at run time from a file: the system half of SkinLibrary,
// one of library_loader_posix.cpp and library_loader_windows.cpp.
#pragma once

#include <filesystem>

namespace fenrow::library_loader {

// The skin library's file name; it lies in the program's directory, or, once
// installed, in this folder relative to it (empty: none other).
extern const char skin_library_file[];
extern const char installed_skin_dir[];

// The loaded library, never unloaded; nullptr when the file cannot be loaded.
void* open(const std::filesystem::path& file);

// The library's entry point of that name; nullptr when it has none.
using Entry = void (*)();
Entry find(void* library, const char* name);

} // namespace fenrow::library_loader
