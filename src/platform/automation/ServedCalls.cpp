#include "platform/automation/ServedCalls.h"

#include <atomic>

namespace automation {
namespace {

// COM may call a free-threaded server on any thread; relaxed order is enough
// for counts read once the calls are over.
std::atomic<uint64_t> nameLookups{0};
std::atomic<uint64_t> invocations{0};

} // namespace

void countServedNameLookup() noexcept { nameLookups.fetch_add(1, std::memory_order_relaxed); }

void countServedInvocation() noexcept { invocations.fetch_add(1, std::memory_order_relaxed); }

ServedCalls servedCalls() noexcept
{
    return {nameLookups.load(std::memory_order_relaxed), invocations.load(std::memory_order_relaxed)};
}

std::string servedCallsReport()
{
    const ServedCalls calls = servedCalls();
    return "name lookups " + std::to_string(calls.nameLookups) + "\ninvocations " + std::to_string(calls.invocations)
           + "\n";
}

} // namespace automation
