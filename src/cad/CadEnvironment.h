#pragma once

#include "cad/FolderList.h"
#include "platform/os/FolderSafety.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <functional>

// The operating-system services the CAD link uses, gathered so that a test
// can stand in for them: the executable's folder and the path separator
// (a Windows layout such as D:\Tools with "\" is then checked anywhere), the
// file copy, the pause between the idle questions, the question whether
// others may write into a folder (the system's own check unless a test
// stands in for it), and the registration of the walker.
struct CadEnvironment {
    std::function<QString()> executableFolder;
    QChar separator;
    std::function<bool(const QString& source, const QString& destination, bool failIfExists)> copyFile;
    std::function<void(int milliseconds)> sleepMilliseconds;
    std::function<bool(const QString& folder)> othersMayWrite = &os::othersMayWrite;
    // The folders a CAD may trust without listing them in TRUSTEDPATHS, each
    // with every folder below it: the program folders, which only an
    // administrator may write (Windows only). Whether this CAD does is its
    // own (trustsProgramFoldersUnlisted).
    std::function<QStringList()> implicitlyTrusted = &systemTrustedFolders;
    // The environment the CAD expands %NAME% in folder lists with.
    FolderList::Environment environmentVariable = FolderList::processEnvironment();
    // Makes sure the CAD can find the walker that lies beside the program in
    // `ownFolder` (on Windows: this version's class registered for the user
    // unless a registration already names this walker, by its version
    // resource, in a folder no other user may write; walkers of older
    // versions beside the program removed once no process holds them; a
    // failure is no failure of the command), and answers the folder the CAD
    // will load it from: the one its registration names, which is where the
    // CAD's trust is asked for; empty where the registration the CAD sees
    // names a file that is not this walker, which is then never offered.
    std::function<QString(const QString& ownFolder)> walkerFolder = &offerWalkerToTheCad;

    static QStringList systemTrustedFolders();
    static QString offerWalkerToTheCad(const QString& ownFolder);

    // The real services of the running system.
    static CadEnvironment system();
};

// The environment in use: the system's own unless a test installed another.
const CadEnvironment& cadEnvironment();

// Installs `environment` for the whole process and returns the previous one.
CadEnvironment setCadEnvironment(CadEnvironment environment);
