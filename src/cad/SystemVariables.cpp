#include "cad/SystemVariables.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"

using automation::Variant;

namespace {

// The variable's value, or Empty where the CAD cannot give it.
Variant variable(const Variant& document, const char16_t* name)
{
    try {
        return automation::call(document, u"getVariable", Variant::bstr(name));
    } catch (const automation::AutomationError&) {
        // No such variable, or none the CAD will tell: each caller says what
        // that means. The user's stop of the command is no AutomationError
        // and passes.
        return {};
    }
}

} // namespace

QString TrustedPaths(const Variant& document)
{
    const Variant list = variable(document, u"TRUSTEDPATHS");
    return list.type() == automation::VarType::BStr ? QString::fromStdU16String(list.toBStr()) : QString();
}

bool SetTrustedPaths(const Variant& document, const QString& list)
{
    try {
        automation::call(document, u"setVariable", Variant::bstr(u"TRUSTEDPATHS"),
                         Variant::bstr(list.toStdU16String()));
        return true;
    } catch (const automation::AutomationError&) {
        return false;
    }
}

int SecureLoad(const Variant& document)
{
    const Variant level = variable(document, u"SECURELOAD");
    try {
        return level.isEmpty() ? 0 : level.toI4();
    } catch (const automation::AutomationError&) {
        return 0; // an answer that is no number: as a CAD without the variable
    }
}

QString DrawingIdentity(const Variant& document)
{
    // A GUID in braces has 38 characters; anything much longer is no
    // identity a CAD hands out, and would only swell every row.
    constexpr qsizetype MaxLength = 64;
    const Variant answer = variable(document, u"FINGERPRINTGUID");
    if (answer.type() != automation::VarType::BStr)
        return {};
    const QString identity = QString::fromStdU16String(answer.toBStr()).trimmed();
    return identity.size() <= MaxLength ? identity : QString();
}
