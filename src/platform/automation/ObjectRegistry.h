#pragma once

#include "platform/automation/Variant.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace automation {

// Finding automation objects by ProgID. In-process registrations come first
// (tests, the spreadsheet stand-in); then the platform backend: COM on
// Windows, the remote backend (local sockets) elsewhere; last, for a class
// that neither knows, a fallback class of this process (the built-in
// workbook writer where no spreadsheet application is installed).

using ClassFactory = std::function<DispatchRef()>;

// The platform's own way to find running objects and create new ones.
class ObjectBackend {
public:
    virtual ~ObjectBackend() = default;
    // The running instance registered for progId, or nullptr when none runs.
    virtual DispatchRef activeObject(std::u16string_view progId) = 0;
    // A new object of the class, or nullptr when the class is unknown.
    virtual DispatchRef createObject(std::u16string_view progId) = 0;
};

// Installs the backend asked after the in-process registrations; returns the
// previous one. nullptr leaves only the in-process registrations.
std::unique_ptr<ObjectBackend> setObjectBackend(std::unique_ptr<ObjectBackend> backend);

// Revokes its registration when it goes (RevokeActiveObject / CoRevokeClassObject).
class Registration {
public:
    Registration() = default;
    explicit Registration(std::function<void()> revoke) : m_revoke(std::move(revoke)) {}
    Registration(Registration&& other) noexcept : m_revoke(std::exchange(other.m_revoke, {})) {}
    Registration& operator=(Registration&& other) noexcept;
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    ~Registration() { revoke(); }

    void revoke();

private:
    std::function<void()> m_revoke;
};

// Registers a running object for progId in this process; a later registration
// of the same ProgID hides an earlier one until it is revoked.
[[nodiscard]] Registration registerActiveObject(std::u16string_view progId, DispatchRef object);
// Registers a class that createObject can make in this process.
[[nodiscard]] Registration registerClass(std::u16string_view progId, ClassFactory factory);
// Registers a class that createObject makes only when the platform backend
// does not know progId (not installed, not registered). Any other failure of
// the backend stays that failure.
[[nodiscard]] Registration registerFallbackClass(std::u16string_view progId, ClassFactory factory);

// The running instance (GetActiveObject). Nothing running is an
// AutomationError with MK_E_UNAVAILABLE: "Operation unavailable".
DispatchRef activeObject(std::u16string_view progId);

// A new object of the class (CoCreateInstance). An unknown class is an
// AutomationError with CO_E_CLASSSTRING: "Invalid class string".
DispatchRef createObject(std::u16string_view progId);

} // namespace automation
