// Runs a piece of work on a stack of a given size, for code that recurses
// once per nesting level of its input, or that should leave nothing of its
// own behind in the thread that asked for it.
#pragma once

#include "platform/failure.hpp"

#include <cstddef>
#include <functional>

// The stack that the calling thread still has below the current frame.
std::size_t stack_left();

// Runs work to completion on a new thread with a stack of stack_bytes and
// waits for it. The stack is mapped for the thread and unmapped when it ends,
// so the address space is given back at once, however large. An exception
// thrown by work is rethrown in the caller. Fails with the system's error
// number when no such stack or thread could be had (a memory or process
// limit); work has then not run.
failure run_on_new_thread(std::size_t stack_bytes, const std::function<void()>& work);

// Runs work to completion on a stack of at least stack_bytes: on the calling
// thread when it has that much left, otherwise as run_on_new_thread does,
// failing as it fails.
failure run_with_stack(std::size_t stack_bytes, const std::function<void()>& work);
