#include "platform/automation/ServedCalls.h"

#include <atomic>

namespace automation {
namespace {

// COM may call a free-threaded server on any thread; relaxed order is enough
// for counts read once the calls are over.
std::atomic<uint64_t> nameLookups{0};
std::atomic<uint64_t> invocations{0};
std::atomic<uint64_t> inProcessInvocations{0};

thread_local int inProcessDepth = 0;

} // namespace

InProcessCaller::InProcessCaller() noexcept { ++inProcessDepth; }

InProcessCaller::~InProcessCaller() { --inProcessDepth; }

bool servingInProcessCaller() noexcept { return inProcessDepth > 0; }

void countServedNameLookup() noexcept
{
    if (!servingInProcessCaller())
        nameLookups.fetch_add(1, std::memory_order_relaxed);
}

void countServedInvocation() noexcept
{
    if (!servingInProcessCaller())
        invocations.fetch_add(1, std::memory_order_relaxed);
}

void countInProcessInvocation() noexcept
{
    if (servingInProcessCaller())
        inProcessInvocations.fetch_add(1, std::memory_order_relaxed);
}

ServedCalls servedCalls() noexcept
{
    return {nameLookups.load(std::memory_order_relaxed), invocations.load(std::memory_order_relaxed),
            inProcessInvocations.load(std::memory_order_relaxed)};
}

std::string servedCallsReport()
{
    const ServedCalls calls = servedCalls();
    return "name lookups " + std::to_string(calls.nameLookups) + "\ninvocations " + std::to_string(calls.invocations)
           + "\nin-process invocations " + std::to_string(calls.inProcessInvocations) + "\n";
}

} // namespace automation
