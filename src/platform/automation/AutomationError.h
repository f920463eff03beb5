#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace automation {

// A failed automation call, as the server (or the layer itself) reported it:
// the HRESULT, the server's source and description, and the member called.
// what() gives the description in UTF-8; message() the same text in UTF-16,
// which is what a user is shown ("the failure's own message text").
class AutomationError : public std::runtime_error {
public:
    AutomationError(int32_t code, std::u16string description, std::u16string source = {},
                    std::u16string member = {});

    int32_t code() const noexcept { return m_code; }
    const std::u16string& source() const noexcept { return m_source; }
    const std::u16string& description() const noexcept { return m_description; }
    const std::u16string& member() const noexcept { return m_member; }

    // The text to show: the description, or the standard text of the code when
    // the server gave none.
    std::u16string message() const;

    // The same failure, naming the member it happened in when it names none yet.
    AutomationError withMember(std::u16string_view member) const;

private:
    int32_t m_code;
    std::u16string m_description;
    std::u16string m_source;
    std::u16string m_member;
};

// The standard text of an HRESULT the layer knows; a hexadecimal code otherwise.
std::u16string standardMessage(int32_t code);

} // namespace automation
