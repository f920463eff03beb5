#pragma once

#include "platform/automation/MemberTable.h"

#include <atomic>
#include <memory>
#include <mutex>

// A server-side object for the remote backend's tests, safe to call from
// several threads at once:
//   Echo(x)            -> x, whatever its kind
//   Swap(a&, b&)       -> writes b into a and a into b; returns Empty
//   Fill(codes&, vals&)-> writes two arrays, as a CAD's GetXData does
//   Child(name)        -> a new object whose Name is name
//   Shared             -> the same child object every time
//   IsShared(obj)      -> true when obj is that very object
//   LiveChildren       -> how many children exist now
//   Fail(code, text)   -> an AutomationError with that code and description,
//                         source "TestServer"
//   Throw              -> a std::runtime_error ("plain failure")
//   Sleep(ms)          -> returns after ms milliseconds
//   Value              -> a property that can be read and put
class TestObject : public automation::TableObject {
public:
    TestObject();

    int liveChildren() const { return m_children->load(); }

private:
    static const automation::MemberTable& members();

    std::shared_ptr<std::atomic<int>> m_children = std::make_shared<std::atomic<int>>(0);
    automation::DispatchRef m_shared;
    std::mutex m_mutex;
    automation::Variant m_value;
};
