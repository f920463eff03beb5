#include "platform/automation/AutomationError.h"

#include "platform/automation/HResult.h"

#include <cstdio>

namespace automation {

namespace {

std::u16string describe(int32_t code, const std::u16string& description)
{
    return description.empty() ? standardMessage(code) : description;
}

} // namespace

AutomationError::AutomationError(int32_t code, std::u16string description, std::u16string source,
                                 std::u16string member)
    : std::runtime_error(toUtf8(describe(code, description))),
      m_code(code),
      m_description(std::move(description)),
      m_source(std::move(source)),
      m_member(std::move(member))
{
}

std::u16string AutomationError::message() const { return describe(m_code, m_description); }

AutomationError AutomationError::withMember(std::u16string_view member) const
{
    if (!m_member.empty())
        return *this;
    return AutomationError(m_code, m_description, m_source, std::u16string(member));
}

std::u16string standardMessage(int32_t code)
{
    switch (code) {
    case hr::E_Fail: return u"Unspecified error";
    case hr::E_InvalidArg: return u"The parameter is incorrect";
    case hr::E_NoInterface: return u"No such interface supported";
    case hr::E_OutOfMemory: return u"Not enough storage is available to complete this operation";
    case hr::Disp_E_UnknownName: return u"Unknown name";
    case hr::Disp_E_MemberNotFound: return u"Member not found";
    case hr::Disp_E_ParamNotFound: return u"Parameter not found";
    case hr::Disp_E_TypeMismatch: return u"Type mismatch";
    case hr::Disp_E_Exception: return u"Exception occurred";
    case hr::Disp_E_Overflow: return u"Out of present range";
    case hr::Disp_E_BadIndex: return u"Invalid index";
    case hr::Disp_E_BadParamCount: return u"Invalid number of parameters";
    case hr::Disp_E_BadVarType: return u"Bad variable type";
    case hr::Mk_E_Unavailable: return u"Operation unavailable";
    case hr::Co_E_ClassString: return u"Invalid class string";
    case hr::RegDb_E_ClassNotReg: return u"Class not registered";
    case hr::Rpc_E_CallRejected: return u"Call was rejected by callee";
    case hr::Rpc_E_Disconnected: return u"The object invoked has disconnected from its clients";
    case hr::Rpc_E_ServerDied: return u"The server process died during the call";
    case hr::Rpc_E_ServerCallRetryLater: return u"The application is busy";
    case hr::Rpc_E_Timeout: return u"This operation returned because the timeout period expired";
    default: break;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "OLE error %08X", static_cast<unsigned>(code));
    return fromUtf8(buffer);
}

std::string toUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD; // a lone surrogate cannot be written as UTF-8
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t c = 0xFFFD;
        size_t length = 1;
        if (byte < 0x80) {
            c = byte;
        } else if ((byte & 0xE0) == 0xC0) {
            length = 2;
            c = byte & 0x1F;
        } else if ((byte & 0xF0) == 0xE0) {
            length = 3;
            c = byte & 0x0F;
        } else if ((byte & 0xF8) == 0xF0) {
            length = 4;
            c = byte & 0x07;
        } else {
            length = 0;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += length;
    }
    return out;
}

} // namespace automation
