#pragma once

#include <exception>

// Raised after the program has already told the user what went wrong. It ends
// the current operation and command; the top-level handler shows nothing more.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};
