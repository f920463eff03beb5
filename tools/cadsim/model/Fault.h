#pragma once

#include "cadsim/model/ObjectKind.h"

#include "platform/automation/HResult.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace cadsim {

// A failure planted in one member of one kind of object, for tests that need
// the CAD to fail at a chosen place. A call matches when it names the member
// (case-insensitive) on an object of that kind, and, where given, on the
// entity with that handle, with a first argument that is an index at or
// above fromIndex, and with a first argument that is the text `argument`
// (case-insensitive: a system variable's name). The first skipCalls matching calls still succeed; the
// following ones fail with the code and description, `times` times in all
// (-1: for good): as the CAD's answer (an AutomationError), or, for a code
// of the call channel, as a failed link (automation::isLinkFailureCode).
// Where `thrown` is set, the failing call runs it instead: a test's way to
// have a call end with what the caller's side raises in the middle of it
// (its user's stop during a busy wait).
struct Fault {
    ObjectKind object = ObjectKind::Application;
    std::u16string member = {};
    int skipCalls = 0;
    std::optional<int64_t> fromIndex = std::nullopt;
    std::u16string handle = {};
    std::optional<std::u16string> argument = std::nullopt;
    int32_t code = automation::hr::E_Fail;
    std::u16string description = u"Simulated failure";
    int times = -1;
    std::function<void()> thrown = {};
};

} // namespace cadsim
