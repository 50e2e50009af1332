#pragma once
#include <stdexcept>
#include <string>

namespace ink {

// A spelling check that could not be done; the text is for the user.
class SpellCheckError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No dictionary for the user's language nor for English could be had.
class SpellUnavailableError : public SpellCheckError {
public:
    SpellUnavailableError()
        : SpellCheckError("Spell checking is not available: no dictionary is installed.") {}
};

} // namespace ink
