// Built as C++23 where the compiler offers it (see CMakeLists.txt): the one
// place that uses resize_and_overwrite.
#include "runtime/string_fill.h"

#include "runtime/heap.h"
#include "runtime/work_pool.h"

#include <algorithm>
#include <cstring>

namespace fenrow {

void grow_and_write(std::string& s, std::size_t n, const std::function<void(char*)>& write)
{
    const std::size_t old = s.size();
#ifdef __cpp_lib_string_resize_and_overwrite
    s.resize_and_overwrite(n, [&](char* p, std::size_t) {
        // The new bytes are all written: their pages may be made present at once.
        if (n - old >= (std::size_t{4} << 20))
            commit_ahead(p + old, n - old);
        write(p + old);
        return n;
    });
#else
    s.resize(n);
    write(s.data() + old);
#endif
}

std::string touched_room(std::size_t n, WorkPool* pool)
{
    constexpr std::size_t part = 8 << 20;
    std::string s;
    grow_and_write(s, n, [&](char* p) {
        run_tasks(pool, (n + part - 1) / part, [&](std::size_t k) {
            std::memset(p + k * part, 0, std::min(part, n - k * part));
        });
    });
    s.clear(); // the room stays
    return s;
}

} // namespace fenrow
