#pragma once

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

// Where the test object lives: in this process (a class object registered
// with CoRegisterClassObject), or in the test server program that COM starts
// from its LocalServer32 key.
enum class Where { InProcess, LocalServer };

std::string whereName(const testing::TestParamInfo<Where>& info);

// A fresh test object for every test, created through COM by ProgID.
class ComObjectTest : public testing::TestWithParam<Where> {
protected:
    void SetUp() override;
    automation::Variant server;
};

// A failure an action raised, as a test reads it: what it carries, and
// whether it was a failed link (LinkFailure) rather than the object's answer.
class CaughtFailure {
public:
    CaughtFailure(const automation::CallFailure& failure, bool link)
        : m_code(failure.code()), m_description(failure.description()), m_source(failure.source()),
          m_member(failure.member()), m_message(failure.message()), m_link(link)
    {
    }
    int32_t code() const { return m_code; }
    const std::u16string& description() const { return m_description; }
    const std::u16string& source() const { return m_source; }
    const std::u16string& member() const { return m_member; }
    const std::u16string& message() const { return m_message; }
    bool isLinkFailure() const { return m_link; }

private:
    int32_t m_code;
    std::u16string m_description, m_source, m_member, m_message;
    bool m_link;
};

// The failure an action raised; fails the test when there was none.
CaughtFailure failureOf(const std::function<void()>& action);

namespace automation {
// How GoogleTest shows a Variant in a failure: its tag and value.
void PrintTo(const Variant& value, std::ostream* out);
} // namespace automation

// Whether the suite runs under Wine rather than Windows itself.
bool runningOnWine();

// UTF-16 text from a narrow literal holding only ASCII (test expectations).
std::u16string ascii(const char* text);

// A test object's member that answers a string.
std::u16string text(const automation::Variant& object, std::u16string_view member);
