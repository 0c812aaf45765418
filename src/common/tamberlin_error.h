#pragma once

// The base of every error that ends a user action, shared by the core libraries (the quiz
// document, the page writer, the GIF reader) without tying them to one another.

#include <stdexcept>

namespace tamberlin {

// Every failure that ends a user action derives from this; the window shows what() in its
// standard error box and carries on.
class TamberlinError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tamberlin
