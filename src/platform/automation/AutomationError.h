#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace automation {

// A call to an automation object that failed: the HRESULT, the source and
// description the failure came with, and the member called. what() gives
// the description in UTF-8; message() the same text in UTF-16, which is what
// a user is shown ("the failure's own message text").
//
// A call fails in one of two ways that the caller must never confuse, and
// each has a type of its own (a third way a command ends, the user's stop,
// is no failure of the call at all: progress::Cancelled):
//   AutomationError  the object answered, with an error: the member failed,
//                    or the object could not tell what it was asked;
//   LinkFailure      no answer came: the server refused the call as busy
//                    for longer than the caller waits, gave no answer in
//                    time, disconnected or died.
// Only the first says anything about the object. A guard that skips an
// entity that will not answer catches AutomationError alone, so that a CAD
// that stopped answering ends the command instead of hollowing its rows.
class CallFailure : public std::runtime_error {
public:
    CallFailure(int32_t code, std::u16string description, std::u16string source = {}, std::u16string member = {});

    int32_t code() const noexcept { return m_code; }
    const std::u16string& source() const noexcept { return m_source; }
    const std::u16string& description() const noexcept { return m_description; }
    const std::u16string& member() const noexcept { return m_member; }

    // The text to show: the description, or the standard text of the code when
    // the server gave none.
    std::u16string message() const;

    // Raises the same failure, of the same kind, naming the member it
    // happened in when it names none yet.
    [[noreturn]] void raiseWithMember(std::u16string_view member) const;

protected:
    // Throws the failure of its own kind; never returns.
    virtual void raiseOfThisKind(std::u16string_view member) const = 0;

private:
    int32_t m_code;
    std::u16string m_description;
    std::u16string m_source;
    std::u16string m_member;
};

// The object's own answer: it failed the call.
class AutomationError : public CallFailure {
public:
    using CallFailure::CallFailure;

    // The same failure, naming the member it happened in when it names none yet.
    AutomationError withMember(std::u16string_view member) const;

protected:
    void raiseOfThisKind(std::u16string_view member) const override;
};

// The call never got the object's answer.
class LinkFailure : public CallFailure {
public:
    using CallFailure::CallFailure;

protected:
    void raiseOfThisKind(std::u16string_view member) const override;
};

// Whether a failure with this code is one of the link rather than of the
// object: the codes of COM's remote procedure calls (facility RPC, and the
// RPC runtime's own errors as HRESULTs) and a proxy whose object is gone.
// Every transport reports its own link failures with these codes, so the
// kind survives a hop through another process.
bool isLinkFailureCode(int32_t code) noexcept;

// Raises a LinkFailure for a link code, an AutomationError otherwise.
[[noreturn]] void raiseCallFailure(int32_t code, std::u16string description, std::u16string source = {},
                                   std::u16string member = {});

// The standard text of an HRESULT the layer knows; a hexadecimal code otherwise.
std::u16string standardMessage(int32_t code);

} // namespace automation
