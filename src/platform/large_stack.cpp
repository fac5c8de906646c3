#include "platform/large_stack.hpp"

#include <cerrno>
#include <exception>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

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

// A thread's stack, mapped with an inaccessible page below it that stops an
// overflow, and unmapped with the object. The library keeps the stacks it
// maps itself for later threads, up to tens of MiB; this one is gone once
// its thread is.
class mapped_stack {
public:
    explicit mapped_stack(std::size_t bytes)
        : page(std::size_t(sysconf(_SC_PAGESIZE))), usable((bytes + page - 1) / page * page)
    {
        void* mapped = mmap(nullptr, page + usable, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
        if (mapped == MAP_FAILED) {
            error = errno;
            return;
        }
        base = static_cast<char*>(mapped);
        if (mprotect(base, page, PROT_NONE) != 0)
            error = errno;
    }
    mapped_stack(const mapped_stack&) = delete;
    mapped_stack& operator=(const mapped_stack&) = delete;
    ~mapped_stack()
    {
        if (base)
            munmap(base, page + usable);
    }

    // Hands the stack to threads made with attr; 0 or the error number.
    int give_to(pthread_attr_t& attr) const
    {
        return error != 0 ? error : pthread_attr_setstack(&attr, base + page, usable);
    }

private:
    std::size_t page;
    std::size_t usable;
    char* base = nullptr;
    int error = 0;
};

// Room kept below the deepest frame the work is allowed, for the calls it
// makes at the bottom and for signal delivery.
constexpr std::size_t stack_margin = std::size_t(64) << 10;

// The lowest address of this thread's stack; asked once per thread, since
// for the main thread the library reads the process's memory map.
const char* stack_bottom()
{
    thread_local const char* bottom = [] {
        pthread_attr_t attr;
        void* low = nullptr;
        std::size_t size = 0;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            pthread_attr_getstack(&attr, &low, &size);
            pthread_attr_destroy(&attr);
        }
        return static_cast<const char*>(low);
    }();
    return bottom;
}

// What the new thread needs: the work and a place for its exception.
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

std::size_t stack_left()
{
    const char* here = static_cast<const char*>(__builtin_frame_address(0));
    const char* bottom = stack_bottom();
    if (bottom == nullptr || here <= bottom)
        return 0;
    return static_cast<std::size_t>(here - bottom);
}

failure run_on_new_thread(std::size_t stack_bytes, const std::function<void()>& work)
{
    thread_attributes attributes;
    if (!attributes.valid)
        return system_failure(ENOMEM);
    const mapped_stack stack(stack_bytes);
    if (const int error = stack.give_to(attributes.attr))
        return system_failure(error);
    thread_task task{&work, nullptr};
    pthread_t thread;
    if (const int error = pthread_create(&thread, &attributes.attr, run_thread_task, &task))
        return system_failure(error);
    pthread_join(thread, nullptr);
    if (task.error)
        std::rethrow_exception(task.error);
    return {};
}

failure run_with_stack(std::size_t stack_bytes, const std::function<void()>& work)
{
    if (stack_bytes + stack_margin <= stack_left()) {
        work();
        return {};
    }
    return run_on_new_thread(stack_bytes + stack_margin, work);
}
