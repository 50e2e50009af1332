#pragma once
#include <functional>

namespace ink {

class Dialogs;

// Every handler of the window runs inside guarded(): an error that escapes it
// ends the handler and is shown in the general error box, and the program
// carries on. No exception ever crosses the Qt event loop.
void setErrorDialogs(Dialogs* dialogs);
// Called after an error was shown, to set right what it left (a store
// found damaged is closed).
void setAfterError(std::function<void()> listener);
// A damaged store is met again by every read until the window has closed
// it; its error is shown once, until this is called (the store closed).
void forgetShownDamage();
// Runs `handler`; returns false when an error ended it (after showing it).
bool guarded(const std::function<void()>& handler);

} // namespace ink
