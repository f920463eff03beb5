#pragma once

#include <QChar>
#include <QString>

#include <functional>

// The operating-system services the CAD link uses, gathered so that a test
// can stand in for them: the executable's folder and the path separator
// (a Windows layout such as D:\Tools with "\" is then checked anywhere), the
// file copy, and the pause between the idle questions.
struct CadEnvironment {
    std::function<QString()> executableFolder;
    QChar separator;
    std::function<bool(const QString& source, const QString& destination, bool failIfExists)> copyFile;
    std::function<void(int milliseconds)> sleepMilliseconds;

    // The real services of the running system.
    static CadEnvironment system();
};

// The environment in use: the system's own unless a test installed another.
const CadEnvironment& cadEnvironment();

// Installs `environment` for the whole process and returns the previous one.
CadEnvironment setCadEnvironment(CadEnvironment environment);
