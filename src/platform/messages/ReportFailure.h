#pragma once

#include <exception>

namespace messages {

// The program's one way of telling the user about a failure that reached the
// top of a command, a window event or a data-aware control: a MessageAbort's
// text is shown in a plain message box, a SilentAbort says nothing (it was
// said already, or the user stopped the command), and any other exception's
// text is shown in the modal error box titled with the application title.
// Never throws: when even showing fails, a line on standard error is the
// last word.
void reportFailure(std::exception_ptr failure) noexcept;

} // namespace messages
