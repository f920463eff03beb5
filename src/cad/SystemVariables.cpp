#include "cad/SystemVariables.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

using automation::Variant;

namespace {

// The CAD's answer to a variable it does not have (AutoCAD: "Error getting
// system variable").
bool isUnknownVariable(const automation::AutomationError& answer)
{
    return answer.code() == automation::hr::E_InvalidArg;
}

// The variable's value, or Empty where the CAD answers the question with an
// error of any kind: each caller says what that means. A CAD that does not
// answer at all (a LinkFailure), and the user's stop, pass to the command.
Variant variable(const Variant& document, const char16_t* name)
{
    try {
        return automation::call(document, u"getVariable", Variant::bstr(name));
    } catch (const automation::AutomationError&) {
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
    // Whatever does not say plainly that the CAD lacks the check counts as
    // the CAD that asks its user: a read that failed, an answer that is no
    // number. Only a CAD that has no SECURELOAD loads as at 0.
    constexpr int WouldAsk = 1;
    Variant level;
    try {
        level = automation::call(document, u"getVariable", Variant::bstr(u"SECURELOAD"));
    } catch (const automation::AutomationError& answer) {
        return isUnknownVariable(answer) ? 0 : WouldAsk;
    }
    try {
        return level.toI4();
    } catch (const automation::AutomationError&) {
        return WouldAsk;
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
