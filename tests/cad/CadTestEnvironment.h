#pragma once

#include "cad/CadEnvironment.h"

#include <QHash>
#include <QSet>
#include <QStringList>

// Stands in for the operating system while it lives: a Windows layout by
// default (executable in D:\Tools, "\" as separator), a disk on which only
// the folders in `accepting` take a copy, only those in `openToOthers` may be
// written by other users, an environment of its own, and a sleep that only
// counts.
class CadTestEnvironment {
public:
    explicit CadTestEnvironment(QString exeFolder = QStringLiteral("D:\\Tools"), QChar separator = u'\\')
        : m_previous(setCadEnvironment(CadEnvironment{
            [this] { return this->exeFolder; },
            separator,
            [this](const QString& source, const QString& destination, bool failIfExists) {
                return copy(source, destination, failIfExists);
            },
            [this](int ms) { sleeps << ms; },
            [this](const QString& folder) { return openToOthers.contains(folder); },
            [this] { return implicitlyTrusted; },
            [this](const QString& name) -> std::optional<QString> {
                const auto found = variables.constFind(name.toUpper());
                return found == variables.constEnd() ? std::nullopt : std::optional(*found);
            }}))
        , exeFolder(std::move(exeFolder))
        , separator(separator)
    {
    }
    ~CadTestEnvironment() { setCadEnvironment(std::move(m_previous)); }
    CadTestEnvironment(const CadTestEnvironment&) = delete;
    CadTestEnvironment& operator=(const CadTestEnvironment&) = delete;

private:
    CadEnvironment m_previous;

public:
    QString exeFolder;
    QChar separator;
    QSet<QString> accepting; // folders that take a copy
    QSet<QString> existing;  // files already there
    QSet<QString> openToOthers;
    QStringList implicitlyTrusted; // folders the CAD trusts without listing them
    QHash<QString, QString> variables; // the environment, by names in upper case
    QStringList copies;      // destinations asked for, in order
    QStringList sources;
    QList<bool> failIfExistsFlags;
    QList<int> sleeps;

private:
    bool copy(const QString& source, const QString& destination, bool failIfExists)
    {
        copies << destination;
        sources << source;
        failIfExistsFlags << failIfExists;
        const QString folder = destination.left(destination.lastIndexOf(separator));
        if (!accepting.contains(folder) || (failIfExists && existing.contains(destination)))
            return false;
        existing.insert(destination);
        return true;
    }
};
