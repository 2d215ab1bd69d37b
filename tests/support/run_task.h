// Runs a command's coroutine to its end from a test, serving events meanwhile, and gives its result.
#pragma once

#include "meter_link/command_task.h"
#include "tests/support/test_support.h"

#include <QTest>
#include <memory>
#include <optional>
#include <utility>

namespace testing {

namespace task_run {
template <typename T>
Task<void> into(Task<T> task, std::shared_ptr<std::optional<T>> out) {
    *out = co_await std::move(task);
}
} // namespace task_run

// The coroutine's result once it has ended; fails the wait after `seconds` of real time.
template <typename T>
T finish(Task<T> task, double seconds = 30.0) {
    auto out = std::make_shared<std::optional<T>>();
    task_run::into(std::move(task), out).start();
    if (!waitUntil([&] { return out->has_value(); }, seconds))
        QTest::qFail("the command did not end in time", __FILE__, __LINE__);
    return out->value_or(T{});
}

} // namespace testing
