#include "cad/DrawingIdentity.h"

#include "platform/automation/Dispatch.h"

QString DrawingIdentity(const automation::Variant& document)
{
    // A GUID in braces has 38 characters; anything much longer is no
    // identity a CAD hands out, and would only swell every row.
    constexpr qsizetype MaxLength = 64;
    try {
        const automation::Variant answer =
            automation::call(document, u"GetVariable", automation::Variant::bstr(u"FINGERPRINTGUID"));
        if (answer.type() != automation::VarType::BStr)
            return {};
        const QString identity = QString::fromStdU16String(answer.toBStr()).trimmed();
        return identity.size() <= MaxLength ? identity : QString();
    } catch (const std::exception&) {
        // The CAD cannot tell: the row is then found by its ObjectID alone,
        // which is always safe.
        return {};
    }
}
