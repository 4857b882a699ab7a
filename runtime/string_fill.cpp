// Built as C++23 where the compiler offers it (see CMakeLists.txt): the one
// place that uses resize_and_overwrite.
#include "runtime/string_fill.h"

namespace fenrow {

void grow_and_write(std::string& s, std::size_t n, const std::function<void(char*)>& write)
{
    const std::size_t old = s.size();
#ifdef __cpp_lib_string_resize_and_overwrite
    s.resize_and_overwrite(n, [&](char* p, std::size_t) {
        write(p + old);
        return n;
    });
#else
    s.resize(n);
    write(s.data() + old);
#endif
}

} // namespace fenrow
