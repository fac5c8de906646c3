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

// What the new thread needs: the work, and a place for its exception.
struct thread_task {
    const std::function<void()>* work;
    std::exception_ptr error;
};

void* run_thread_task(void* argument)
{
    auto* task = static_cast<thread_task*>(argument);
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
    thread_attributes attributes;
    thread_task task{&work, nullptr};
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
