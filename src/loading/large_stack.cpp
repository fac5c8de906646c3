#include "loading/large_stack.hpp"

#include <exception>
#include <pthread.h>

namespace {

// Thread attributes that are destroyed with the object.
struct thread_attributes {
    pthread_attr_t attr;
    bool valid = pthread_attr_init(&attr) == 0;

    thread_attributes() = default;
    thread_attributes(const thread_attributes&) = delete;
    thread_attributes& operator=(const thread_attributes&) = delete;
    ~thread_attributes()
    {
        if (valid)
            pthread_attr_destroy(&attr);
    }
};

// The stack size this thread was started with by run_on_large_stack; 0 on
// any other thread.
thread_local std::size_t own_stack_bytes = 0;

// What the new thread needs: the work, its stack size, and a place for its
// exception.
struct thread_task {
    const std::function<void()>* work;
    std::size_t stack_bytes;
    std::exception_ptr error;
};

void* run_thread_task(void* argument)
{
    auto* task = static_cast<thread_task*>(argument);
    own_stack_bytes = task->stack_bytes;
    try {
        (*task->work)();
    } catch (...) {
        task->error = std::current_exception();
    }
    return nullptr;
}

}

void run_on_large_stack(const std::function<void()>& work, std::size_t stack_bytes)
{
    if (own_stack_bytes >= stack_bytes) {
        work();
        return;
    }
    thread_attributes attributes;
    thread_task task{&work, stack_bytes, nullptr};
    pthread_t thread;
    const bool started = attributes.valid
        && pthread_attr_setstacksize(&attributes.attr, stack_bytes) == 0
        && pthread_create(&thread, &attributes.attr, run_thread_task, &task) == 0;
    if (!started) {
        work();
        return;
    }
    pthread_join(thread, nullptr);
    if (task.error)
        std::rethrow_exception(task.error);
}
