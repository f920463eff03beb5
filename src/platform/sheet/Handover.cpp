#include "platform/sheet/Handover.h"

#include "platform/messages/Messages.h"
#include "platform/os/DesktopOpener.h"
#include "platform/sheet/XlsxFile.h"

#include <QDir>

namespace sheet {

namespace {

QString folderFor(const StandInOptions& options)
{
    return options.folder.isEmpty() ? QDir::tempPath() : options.folder;
}

QString describe(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const SaveError& e) {
        return e.reason();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return {}; // a failure that cannot even be described is described as nothing
    }
}

// A message, with the reason on a line of its own where there is one.
QString withReason(const QString& text, const QString& reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral("\n") + reason;
}

QString saveFailure(const QString& folder, const QString& reason)
{
    return withReason(QStringLiteral("Не удается сохранить книгу в папке \"%1\".").arg(QDir::toNativeSeparators(folder)),
                      reason);
}

QString openFailure(const QString& path, const QString& reason)
{
    return withReason(
        QStringLiteral("Книга сохранена в файле \"%1\", но открыть её не удается.").arg(QDir::toNativeSeparators(path)),
        reason);
}

} // namespace

void handOver(const StandInOptions& options, const CellMap& cells) noexcept
{
    try {
        if (options.inspector)
            options.inspector(cells);

        const QString folder = folderFor(options);
        QString path;
        try {
            path = reserveWorkbookFile(folder);
            writeXlsx(path, cells, folder);
        } catch (...) {
            // The workbook is lost whatever the reason; the user is told it.
            messages::showMessage(saveFailure(folder, describe(std::current_exception())));
            return;
        }

        // A workbook nothing shows must not vanish without a word: the user
        // is told where it lies, in the one message below.
        try {
            if (options.opener) {
                options.opener(path);
            } else {
                // A spreadsheet application shows the workbook or says why
                // not: the desktop's verdict is waited for.
                const os::OpenVerdict verdict = os::openWithDesktop(path, os::OpenWait::ForVerdict);
                if (!verdict.shown)
                    messages::showMessage(openFailure(path, verdict.reason));
            }
        } catch (...) {
            // The file is written; the user is told where, whatever kept it from opening.
            messages::showMessage(openFailure(path, describe(std::current_exception())));
        }
    } catch (...) {
        // Nothing may leave a release: the client is only letting go of a reference.
    }
}

} // namespace sheet
