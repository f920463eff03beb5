#include "cad/TrustThreshold.h"

#include <QRegularExpression>

namespace {

// The release number that AutoCAD's Version text begins with ("24.1s (LMS
// Tech)" is 24.1), as major * 100 + minor; -1 for a text that has none.
int releaseNumber(const QString& version)
{
    static const QRegularExpression leading(QStringLiteral("^\\s*(\\d+)\\.(\\d+)"));
    const QRegularExpressionMatch match = leading.match(version);
    if (!match.hasMatch())
        return -1;
    bool majorValid = false;
    bool minorValid = false;
    const int major = match.captured(1).toInt(&majorValid);
    const int minor = match.captured(2).toInt(&minorValid);
    if (!majorValid || !minorValid || major > 9999 || minor > 99)
        return -1;
    return major * 100 + minor;
}

} // namespace

bool trustsProgramFoldersUnlisted(const std::u16string& cad, const QString& version)
{
    constexpr int AutoCad2022 = 2401;
    return cad == u"AutoCAD" && releaseNumber(version) >= AutoCad2022;
}
