// The program's allocations go to malloc as usual; a large one is offered
// large pages, because a list of a million lines otherwise costs more in page
// faults (one per 4 KB written) than the operation's own work.
#include "runtime/large_pages.h"

#include <cstdlib>
#include <new>

namespace {

void* allocate(std::size_t n)
{
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr)
        throw std::bad_alloc();
    if (n >= fenrow::large_allocation)
        fenrow::offer_large_pages(p, n);
    return p;
}

} // namespace

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
