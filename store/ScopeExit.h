#pragma once
#include <utility>

namespace ink {

// Runs an action when the scope ends, however it ends: the way a command
// puts back what it changed for its own duration (a progress bar shown, a
// status text, detached lists) also when an error ends it.
template <typename Action> class ScopeExit {
public:
    explicit ScopeExit(Action action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Action action_;
};

} // namespace ink
