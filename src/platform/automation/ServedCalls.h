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
struct ServedCalls {
    uint64_t nameLookups = 0;
    uint64_t invocations = 0;
};

void countServedNameLookup() noexcept;
void countServedInvocation() noexcept;
ServedCalls servedCalls() noexcept;

// The counts as the simulators write them: "name lookups N", "invocations N",
// one per line.
std::string servedCallsReport();

} // namespace automation
