// A command's steps as a coroutine. It runs until it has to wait for the meter, then returns to
// the event loop; the line's timer or arriving bytes resume it. So nothing of a command sits on
// the stack while it waits, and a window opened meanwhile cannot hold it up.
// Take an awaited result into a variable before testing it: GCC 12 miscompiles a co_await
// inside a condition such as `if (!co_await f())`.
#pragma once

// moc cannot read the standard library's coroutine and concept headers; it needs none of this.
#ifndef Q_MOC_RUN

#include <coroutine>
#include <exception>
#include <optional>
#include <utility>

template <typename T = void>
class Task;
template <typename T>
struct TaskPromise;

namespace task_detail {

struct PromiseBase {
    std::coroutine_handle<> continuation;
    bool detached = false;

    std::suspend_always initial_suspend() noexcept { return {}; }
    struct Final {
        bool await_ready() noexcept { return false; }
        template <typename P>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<P> h) noexcept {
            PromiseBase& p = h.promise();
            if (p.continuation)
                return p.continuation;
            if (p.detached)
                h.destroy();
            return std::noop_coroutine();
        }
        void await_resume() noexcept {}
    };
    Final final_suspend() noexcept { return {}; }
    void unhandled_exception() noexcept { std::terminate(); }
};

template <typename Promise>
class TaskBase {
public:
    using Handle = std::coroutine_handle<Promise>;
    TaskBase(TaskBase&& o) noexcept : h_(std::exchange(o.h_, {})) {}
    TaskBase& operator=(TaskBase&&) = delete;
    TaskBase(const TaskBase&) = delete;
    ~TaskBase() {
        if (h_)
            h_.destroy();
    }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
        h_.promise().continuation = awaiting;
        return h_;
    }

    // Starts it with nobody awaiting it: it runs to its first wait now and frees itself at its end.
    void start() && {
        Handle h = std::exchange(h_, {});
        h.promise().detached = true;
        h.resume();
    }

protected:
    explicit TaskBase(Handle h) : h_(h) {}
    Handle h_;
};

} // namespace task_detail

template <typename T>
struct TaskPromise : task_detail::PromiseBase {
    std::optional<T> value;
    Task<T> get_return_object();
    void return_value(T v) { value = std::move(v); }
};

template <>
struct TaskPromise<void> : task_detail::PromiseBase {
    Task<void> get_return_object();
    void return_void() noexcept {}
};

template <typename T>
class Task : public task_detail::TaskBase<TaskPromise<T>> {
public:
    using promise_type = TaskPromise<T>;
    T await_resume() { return std::move(*this->h_.promise().value); }

private:
    friend struct TaskPromise<T>;
    explicit Task(std::coroutine_handle<promise_type> h) : task_detail::TaskBase<promise_type>(h) {}
};

template <>
class Task<void> : public task_detail::TaskBase<TaskPromise<void>> {
public:
    using promise_type = TaskPromise<void>;
    void await_resume() noexcept {}

private:
    friend struct TaskPromise<void>;
    explicit Task(std::coroutine_handle<promise_type> h) : task_detail::TaskBase<promise_type>(h) {}
};

template <typename T>
Task<T> TaskPromise<T>::get_return_object() {
    return Task<T>(std::coroutine_handle<TaskPromise<T>>::from_promise(*this));
}

inline Task<void> TaskPromise<void>::get_return_object() {
    return Task<void>(std::coroutine_handle<TaskPromise<void>>::from_promise(*this));
}

#endif // Q_MOC_RUN
