// Work done on the way out of a scope, whether it is left by return or by an exception.
#pragma once

#include <exception>
#include <utility>

namespace runtime {

// Calls `onExit` when it goes out of scope. A failure of the call on the way out of a scope left by
// return is the scope's failure; on the way out of a failure, that first failure goes on and the call's
// own is dropped, so that a restoring call that fails never ends the program.
template <typename OnExit>
class ScopeGuard {
  public:
    explicit ScopeGuard(OnExit onExit) : onExit_(std::move(onExit)), failures_(std::uncaught_exceptions()) {}
    ~ScopeGuard() noexcept(false) {
        if (std::uncaught_exceptions() == failures_) {
            onExit_();
            return;
        }
        try {
            onExit_();
        } catch (...) {
        }
    }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

  private:
    OnExit onExit_;
    int failures_;  // the exceptions travelling when the scope began
};

// Sets `variable` to `value` for the rest of the scope and gives it back its old value on the way out.
template <typename T, typename V>
[[nodiscard]] auto setForScope(T& variable, V&& value) {
    T previous = std::exchange(variable, std::forward<V>(value));
    return ScopeGuard(
        [&variable, previous = std::move(previous)]() mutable { variable = std::move(previous); });
}

}  // namespace runtime
