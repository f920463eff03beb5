#pragma once

#include <cstdint>
#include <string>

namespace automation {

// The calls that reached the objects this process serves, counted on the
// serving side: what a client costs per entity or per cell, whatever the
// client says about itself. The simulators report them for measurements.
// A name lookup is COM's GetIDsOfNames (the local-socket transport sends the
// name with every call and has none); an invocation is one property get,
// put or method call.
//
// Calls from other processes and calls from inside this one are counted
// apart: an object this process loaded for a client (an interface object, a
// walker) calls the served objects directly, at a small fraction of the cost.
struct ServedCalls {
    uint64_t nameLookups = 0;
    uint64_t invocations = 0;
    uint64_t inProcessInvocations = 0;
};

// While one lives, the calls this thread serves come from inside this
// process; nested scopes count once.
class InProcessCaller {
public:
    InProcessCaller() noexcept;
    ~InProcessCaller();
    InProcessCaller(const InProcessCaller&) = delete;
    InProcessCaller& operator=(const InProcessCaller&) = delete;
};

// Whether the call being served on this thread comes from inside the process.
bool servingInProcessCaller() noexcept;

// A transport counts what reaches it from another process; a caller inside
// the process, which the transport serves as well on Windows, is counted by
// the objects themselves (countInProcessInvocation).
void countServedNameLookup() noexcept;
void countServedInvocation() noexcept;
void countInProcessInvocation() noexcept;
ServedCalls servedCalls() noexcept;

// The counts as the simulators write them: "name lookups N", "invocations N",
// "in-process invocations N", one per line.
std::string servedCallsReport();

} // namespace automation
