#pragma once

#include <QString>

#include <memory>

class QSettings;

namespace cadsim {

// The CAD settings the simulator keeps between runs, as a CAD keeps its
// profile: the support folders and TRUSTEDPATHS; and, where no registry maps
// a ProgID to its library (not Windows), the libraries of interface objects. Stored in an INI file, the
// user's own (~/.config/vedoris/cadsim.ini) unless another file is named.
class CadProfile {
public:
    explicit CadProfile(const QString& file = {});
    ~CadProfile();

    // The stored support path, or when none is stored the simulator's own
    // support folder (created), so that a file copied there can be loaded.
    QString supportPath() const;
    QString trustedPaths() const;
    void save(const QString& supportPath, const QString& trustedPaths);
    // The library registered for an interface object's ProgID
    // (InterfaceObjects/<ProgID> in the file), or empty.
    QString interfaceObjectLibrary(const QString& progId) const;

    QString fileName() const;
    // ~/.local/share/vedoris/cadsim/support
    static QString defaultSupportFolder();

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace cadsim
