#include "platform/messages/EntryPoint.h"

#include "platform/messages/ReportFailure.h"

namespace messages {
namespace {

// Blocks nest: a pause inside a command's progress display blocks again.
int blocks = 0;

} // namespace

void deliverFailure(const FailureHandler& handler, std::exception_ptr failure) noexcept
{
    try {
        if (handler)
            handler(failure);
        else
            reportFailure(failure);
    } catch (...) {
        // A handler that fails cannot be reported anywhere safer, and Qt must not see it.
    }
}

InputBlock::InputBlock() noexcept { ++blocks; }

InputBlock::~InputBlock() { --blocks; }

bool InputBlock::active() noexcept { return blocks > 0; }

} // namespace messages
