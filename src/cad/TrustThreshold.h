#pragma once

#include <QString>

#include <string>

// The first CAD version that keeps a list of trusted folders (TRUSTEDPATHS)
// and refuses to load code from anywhere else.
inline const QString TrustedPathsVersion = QStringLiteral("19.1s (LMS Tech)");

// Versions are compared as texts, character by character (ordinal and
// case-sensitive; a text that begins another is the smaller).
inline bool isBelowTrustThreshold(const QString& version)
{
    return QString::compare(version, TrustedPathsVersion, Qt::CaseSensitive) < 0;
}

// Whether the CAD trusts the program folders (CadEnvironment's
// implicitlyTrusted) without listing them in TRUSTEDPATHS: AutoCAD says so of
// its releases from 2022 (R24.1) on. Earlier releases and the other CADs name
// other folders or none, and a folder the program wrongly thinks trusted makes
// the CAD ask its user while the program waits: they are trusted by the list
// alone.
bool trustsProgramFoldersUnlisted(const std::u16string& cad, const QString& version);
