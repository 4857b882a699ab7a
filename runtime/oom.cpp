// Memory exhaustion is a fatal runtime error naming the byte count, not an
// exception that may surface far from its cause, except inside a step the
// user started, which catches it and fails alone (RecoverableAllocations).
// A large block is offered large pages: a list of ten million lines otherwise
// costs more in page faults (one per 4 KB written) than the operation's work.
#include "runtime/fatal.h"
#include "runtime/large_pages.h"

#include <cstdlib>
#include <new>

namespace {
void* allocate_or_die(std::size_t n)
{
    if (n == 0)
        n = 1;
    if (void* p = std::malloc(n)) {
        if (n >= fenrow::large_allocation)
            fenrow::offer_large_pages(p, n);
        return p;
    }
    if (fenrow::allocations_recoverable())
        throw std::bad_alloc();
    fenrow::fatal_out_of_memory(n);
}
} // namespace

void* operator new(std::size_t n) { return allocate_or_die(n); }
void* operator new[](std::size_t n) { return allocate_or_die(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return std::malloc(n == 0 ? 1 : n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return std::malloc(n == 0 ? 1 : n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
