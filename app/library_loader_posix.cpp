#include "app/library_loader.h"

#include <dlfcn.h>

namespace fenrow::library_loader {

extern const char skin_library_file[] = "libfenrow_skin.so";
extern const char installed_skin_dir[] = FENROW_INSTALLED_SKIN_DIR;

void* open(const std::filesystem::path& file) { return ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL); }

Entry find(void* library, const char* name) { return reinterpret_cast<Entry>(::dlsym(library, name)); }

} // namespace fenrow::library_loader
