// Strings filled where they stand: a long result written by several threads
// is not cleared first, so that each thread touches its own pages once.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace fenrow {

// s grown to n bytes, its bytes up to the old size kept and the rest written
// by write (given the place behind them); where the standard library cannot
// leave them unwritten, cleared first.
void grow_and_write(std::string& s, std::size_t n, const std::function<void(char*)>& write);

class WorkPool;

// An empty string with room for n bytes whose pages the pool's threads have
// touched already: the thread that fills it later meets no page faults.
std::string touched_room(std::size_t n, WorkPool* pool);

} // namespace fenrow
