#include "cadsim/app/CadProfile.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace cadsim {

namespace {

const QString supportPathKey = QStringLiteral("Profile/SupportPath");
const QString trustedPathsKey = QStringLiteral("Profile/TRUSTEDPATHS");

} // namespace

CadProfile::CadProfile(const QString& file)
    : m_settings(file.isEmpty()
                     ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                   QStringLiteral("vedoris"), QStringLiteral("cadsim"))
                     : std::make_unique<QSettings>(file, QSettings::IniFormat))
{
}

CadProfile::~CadProfile() = default;

QString CadProfile::defaultSupportFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/vedoris/cadsim/support");
}

QString CadProfile::supportPath() const
{
    if (m_settings->contains(supportPathKey))
        return m_settings->value(supportPathKey).toString();
    const QString folder = defaultSupportFolder();
    QDir().mkpath(folder);
    return QDir::toNativeSeparators(folder);
}

QString CadProfile::interfaceObjectLibrary(const QString& progId) const
{
    return m_settings->value(QStringLiteral("InterfaceObjects/") + progId).toString();
}

QString CadProfile::trustedPaths() const { return m_settings->value(trustedPathsKey).toString(); }

void CadProfile::save(const QString& supportPath, const QString& trustedPaths)
{
    m_settings->setValue(supportPathKey, supportPath);
    m_settings->setValue(trustedPathsKey, trustedPaths);
    m_settings->sync();
}

QString CadProfile::fileName() const { return m_settings->fileName(); }

} // namespace cadsim
