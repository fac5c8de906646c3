// Runs a piece of work on a thread of its own with a very large stack, for
// library code that recurses once per nesting level of its input.
#pragma once

#include <cstddef>
#include <functional>

// Address space reserved for the stack of run_on_large_stack's thread. Only
// the pages the work actually touches are ever backed by memory.
inline constexpr std::size_t large_stack_bytes = std::size_t(1) << 30;

// Runs work to completion on a new thread with a stack of stack_bytes and
// waits for it; an exception thrown by work is rethrown in the caller. Work
// runs on the calling thread instead when that thread was itself started here
// with at least as large a stack (so wrapping a whole run once spares a
// thread per call inside it), or when no new thread can be created.
void run_on_large_stack(const std::function<void()>& work,
                        std::size_t stack_bytes = large_stack_bytes);
