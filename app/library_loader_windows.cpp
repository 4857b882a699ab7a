#include "app/library_loader.h"

#include <windows.h>

namespace fenrow::library_loader {

extern const char skin_library_file[] = "fenrow_skin.dll";
extern const char installed_skin_dir[] = ""; // installed as built: side by side

void* open(const std::filesystem::path& file)
{
    // A file that is no library must fail quietly, without a system dialog;
    // the libraries it needs are looked for beside it first.
    DWORD old_mode = 0;
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_mode);
    const HMODULE library =
        ::LoadLibraryExW(file.c_str(), nullptr, file.is_absolute() ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    ::SetThreadErrorMode(old_mode, nullptr);
    return reinterpret_cast<void*>(library);
}

Entry find(void* library, const char* name)
{
    return reinterpret_cast<Entry>(::GetProcAddress(static_cast<HMODULE>(library), name));
}

} // namespace fenrow::library_loader
