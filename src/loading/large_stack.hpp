// Runs a piece of work on a stack of a given size, for library code that
// recurses once per nesting level of its input.
#pragma once

#include <cstddef>
#include <functional>

// The stack that the calling thread still has below the current frame.
std::size_t stack_left();

// Runs work to completion on a stack of at least stack_bytes and waits for
// it: on the calling thread when it has that much left, otherwise on a new
// thread with a stack of that size. An exception thrown by work is rethrown
// in the caller. Returns 0, or the system's error number when no thread with
// such a stack could be made (a memory or process limit); work has then not
// run.
int run_with_stack(std::size_t stack_bytes, const std::function<void()>& work);
