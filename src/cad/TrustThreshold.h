#pragma once

#include <QString>

// The first CAD version that keeps a list of trusted folders (TRUSTEDPATHS)
// and refuses to load code from anywhere else.
inline const QString TrustedPathsVersion = QStringLiteral("19.1s (LMS Tech)");

// Versions are compared as texts, character by character (ordinal and
// case-sensitive; a text that begins another is the smaller).
inline bool isBelowTrustThreshold(const QString& version)
{
    return QString::compare(version, TrustedPathsVersion, Qt::CaseSensitive) < 0;
}
