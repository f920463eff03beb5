// cadsim: a stand-in CAD application. Opens an ASCII DXF drawing and serves
// it as the running "AutoCAD.Application" until its window is closed; the
// drawings it is asked to open (Documents.Open, its drawing reader) are DXF
// files too.
//
// Exit codes: 0 done; 1 the ProgID cannot be registered (another instance
// runs; on Windows also: the class is not registered, see /regserver) or a
// registration switch failed; 2 a usage error or a drawing that cannot be read.
#include "cadsim/app/CadProfile.h"
#include "cadsim/app/CadsimOptions.h"
#include "cadsim/app/CadsimSetup.h"
#include "cadsim/app/CadsimWindow.h"
#include "cadsim/app/DxfReader.h"
#include "cadsim/app/EntityRows.h"
#include "cadsim/app/QuitOnSignal.h"
#include "cadsim/app/ServerRegistration.h"

#include "cadsim/model/Simulator.h"
#include "platform/automation/ServedCalls.h"
#include "platform/automation/publish/Publish.h"
#ifdef _WIN32
#include "platform/automation/com/MessageFilter.h"
#endif

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace {

QStringList argumentList(int argc, char** argv)
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

void print(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList arguments = argumentList(argc, argv);
    if (const std::optional<int> code = cadsim::runRegistrationSwitch(arguments))
        return *code;

    QString error;
    bool helpAsked = false;
    const std::optional<cadsim::CadsimOptions> options = cadsim::CadsimOptions::parse(arguments, error, helpAsked);
    if (!options) {
        print(helpAsked ? stdout : stderr, helpAsked ? error : QStringLiteral("cadsim: %1\n").arg(error));
        return helpAsked ? 0 : 2;
    }

    std::optional<cadsim::Drawing> drawing;
    std::string assumption;
    try {
        drawing = cadsim::readDxfFile(QFile::encodeName(options->drawing).toStdString(), &assumption);
    } catch (const cadsim::DxfError& e) {
        print(stderr, QStringLiteral("cadsim: %1: %2\n").arg(options->drawing, QString::fromUtf8(e.what())));
        return 2;
    }
    const QString note = QString::fromUtf8(assumption);
    if (!note.isEmpty())
        print(stderr, QStringLiteral("cadsim: %1: %2\n").arg(options->drawing, note));
    const int64_t objectIdOffset = cadsim::sessionIdShift(options->idSeed, options->bigIds);

    if (options->list) {
        print(stdout, cadsim::entityListing(*drawing, objectIdOffset));
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("cadsim"));
    QApplication::setOrganizationName(QStringLiteral("vedoris"));

    cadsim::CadProfile profile(options->settingsFile);
    if (options->supportPath)
        profile.save(*options->supportPath, profile.trustedPaths());

    // Its document's FullName is the drawing's path, as a CAD gives it.
    cadsim::Simulator simulator(std::move(*drawing),
                                QDir::toNativeSeparators(QFileInfo(options->drawing).absoluteFilePath()).toStdU16String());
    cadsim::applyOptions(simulator, *options, profile, QCoreApplication::applicationDirPath(), objectIdOffset);
    // One line per command text received, for whoever drives the simulator.
    simulator.setCommandReport([](const std::u16string& line) {
        print(stdout, QString::fromStdU16String(line) + QLatin1Char('\n'));
    });

    // The window is declared before the registration, so serving stops (and
    // no client call is under way) before the window goes.
    cadsim::CadsimWindow window(simulator, objectIdOffset);
    window.showDrawingNote(note);
    QObject::connect(&window, &cadsim::CadsimWindow::settingsChanged, [&] {
        profile.save(QString::fromStdU16String(simulator.supportPath()),
                     QString::fromStdU16String(simulator.trustedPaths()));
    });

#ifdef _WIN32
    // A busy CAD refuses calls in COM's channel, before they reach an object,
    // so that its clients see what a real CAD's clients see.
    const automation::com::MessageFilter refuseWhileBusy([&] { return simulator.refusesCalls(); });
#endif
    std::vector<automation::Registration> running;
    try {
        const std::optional<std::u16string> only =
            options->progId ? std::optional(options->progId->toStdU16String()) : std::nullopt;
        for (const std::u16string& progId :
             cadsim::progIdsToPublish(cadsim::answeringProgIds(simulator.personality(), only)))
            running.push_back(automation::publishRunningObject(progId, simulator.application()));
    } catch (const automation::PublishError& e) {
        print(stderr, QStringLiteral("cadsim: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
    cadsim::QuitOnSignal quitOnSignal;
    window.show();
    const int code = app.exec();
    running.clear();
    if (options->callCountFile) {
        QFile counts(*options->callCountFile);
        if (!counts.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || counts.write(QByteArray::fromStdString(automation::servedCallsReport())) < 0)
            print(stderr, QStringLiteral("cadsim: cannot write the call counts to %1\n").arg(counts.fileName()));
    }
    profile.save(QString::fromStdU16String(simulator.supportPath()),
                 QString::fromStdU16String(simulator.trustedPaths()));
    return code;
}
