// Work done on the way out of a scope, whether it is left by return or by an exception.
#pragma once

#include <utility>

namespace runtime {

// Calls `onExit` when it goes out of scope. The call must not throw: it runs while an exception may
// be travelling.
template <typename OnExit>
class ScopeGuard {
  public:
    explicit ScopeGuard(OnExit onExit) : onExit_(std::move(onExit)) {}
    ~ScopeGuard() { onExit_(); }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

  private:
    OnExit onExit_;
};

// Sets `variable` to `value` for the rest of the scope and gives it back its old value on the way out.
template <typename T, typename V>
[[nodiscard]] auto setForScope(T& variable, V&& value) {
    T previous = std::exchange(variable, std::forward<V>(value));
    return ScopeGuard(
        [&variable, previous = std::move(previous)]() mutable { variable = std::move(previous); });
}

}  // namespace runtime
