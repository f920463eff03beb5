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

// The failure an action raised; fails the test when there was none.
automation::AutomationError failureOf(const std::function<void()>& action);

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
