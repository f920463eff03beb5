#include "cad/SelectEntityById.h"

#include "cad/DrawingDocuments.h"
#include "cad/ModelSpaceWalker.h"
#include "cad/ResStrings.h"
#include "cad/SystemVariables.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/messages/MessageAbort.h"
#include "platform/messages/Messages.h"
#include "walk/EntityReads.h"
#include "walk/PipeSolid.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

using automation::Variant;

QString SelectionCommand(const QString& handle)
{
    // The trailing blank ends the expression as Enter would.
    return QStringLiteral("(sssetfirst nil (ssadd (handent \"") + handle + QStringLiteral("\"))) ");
}

namespace {

// Brings the CAD forward and selects the entity with the handle. An entity
// the CAD will not select (it answers with an error) does not stop the
// others; a CAD that stops answering ends the command.
void selectByHandle(TAbstrAcadObj& acad, const std::u16string& handle)
{
    try {
        acad.ActivateCadWindow();
        acad.RunCommand(SelectionCommand(QString::fromStdU16String(handle)));
    } catch (const automation::AutomationError&) {
        // One entity that will not be selected does not stop the others.
    }
}

// The rest of the search, after the ObjectID found nothing: the row's own
// drawing may have been reopened since the harvest, with new ObjectIDs and
// the same handles.
void selectByStoredHandle(TAbstrAcadObj& acad, const QString& handle)
{
    Variant entity;
    try {
        entity = automation::call(acad.FDocument(), u"HandleToObject", Variant::bstr(handle.toStdU16String()));
    } catch (const automation::AutomationError&) {
        return; // no entity has the handle either: the pipe is gone from the drawing
    }
    try {
        // Even in its own drawing the handle may by now name something else.
        // The handle selected is the one the CAD answers, checked like any
        // handle that goes into a command line.
        if (!walk::isPipeSolid(entity))
            return;
        const std::u16string own = automation::get(entity, u"Handle").toBStr();
        if (walk::isEntityHandle(own))
            selectByHandle(acad, own);
    } catch (const automation::AutomationError&) {
        // The entity cannot say what it is: it is not selected.
    }
}

// Whether the active drawing is the row's own. Its identity tells first: a
// file may be saved under another name, or replaced by another drawing.
// Where either side cannot tell its identity, the file tells. Nothing known
// of the row's drawing (a row of an older file) tells nothing.
enum class Drawing { Own, Other, Unknown };

Drawing activeDrawing(TAbstrAcadObj& acad, const QString& drawing, const QString& path)
{
    if (!drawing.isEmpty()) {
        const QString active = DrawingIdentity(acad.FDocument());
        if (!active.isEmpty())
            return active == drawing ? Drawing::Own : Drawing::Other;
    }
    if (!path.isEmpty())
        return SameDrawingFile(DrawingFile(acad.FDocument()), path) ? Drawing::Own : Drawing::Other;
    return Drawing::Unknown;
}

// Makes the row's drawing the active one: the document it is open in, or,
// where it is not open, the drawing opened once its user says so. False when
// it stays as it is.
bool bringForward(TAbstrAcadObj& acad, const QString& path)
{
    const Variant document = FindOpenDocument(acad.FApplication(), path);
    if (document.isDispatch()) {
        automation::call(document, u"Activate");
        return true;
    }
    // A file that is gone has no pipe to select, as an erased pipe has none.
    if (!QFileInfo(path).isFile())
        return false;
    if (!messages::ask(QStringLiteral("Чертёж «%1» не открыт.\rОткрыть его, чтобы выделить трубу?")
                           .arg(QDir::toNativeSeparators(path))))
        return false;
    automation::call(automation::get(acad.FApplication(), u"Documents"), u"Open", Variant::bstr(path.toStdU16String()));
    return true;
}

void search(TAbstrAcadObj& acad, int64_t id, const QString& handle, const QString& drawing, const QString& path)
{
    // Which drawing is open is asked first: a row of another drawing must
    // not clear this drawing's selection, nor select an entity that happens
    // to carry the row's ObjectID here (a CAD hands out ObjectIDs in the same
    // order in every session). A row without an identity or a file (from an
    // older file), or a CAD that cannot tell, is searched for by its
    // ObjectID as before, but never by its handle.
    const Drawing active = activeDrawing(acad, drawing, path);
    if (active == Drawing::Other)
        return;

    const Variant selection = automation::get(acad.FDocument(), u"PickfirstSelectionSet");
    if (automation::get(selection, u"Count").toI8() > 0)
        automation::call(selection, u"Clear");

    // ObjectIDs are compared as 64-bit values: on 64-bit CAD versions they
    // exceed 32 bits, and two of them may share their low half. The whole
    // model space is walked, also past a match: several entities may report
    // the same ObjectID, and each gets its own selection.
    const int32_t count = automation::get(acad.FModelSpace(), u"Count").toI4();
    bool found = false;
    ModelSpaceWalker walker(acad);
    walker.findEntities(count, Variant::i8(id), QStringLiteral("Поиск трубы в чертеже: объект %1 из %2"),
                        [&](const std::u16string& match) {
                            found = true;
                            selectByHandle(acad, match);
                        });
    // An ObjectID lives only as long as its drawing stays open in one session
    // of the CAD (and one read without the editor, only as long as that
    // read): the handle finds the pipe again in its own drawing.
    if (!found && !handle.isEmpty() && active == Drawing::Own)
        selectByStoredHandle(acad, handle);
}

} // namespace

void SelectEntityById(int64_t id, const QString& handle, const QString& drawing, const QString& path)
{
    if (id <= 0)
        return;
    auto acad = std::make_unique<TAbstrAcadObj>();
    try {
        // A row of a drawing that is not the active one is selected in its
        // own: brought forward, then attached to anew.
        if (!path.isEmpty() && activeDrawing(*acad, drawing, path) != Drawing::Own) {
            if (!bringForward(*acad, path))
                return;
            acad.reset();
            acad = std::make_unique<TAbstrAcadObj>();
        }
        search(*acad, id, handle, drawing, path);
    } catch (const automation::LinkFailure&) {
        // The CAD stopped answering on the way (busy past the wait, stopped,
        // gone): what the attach says of a CAD in that state.
        throw MessageAbort(ResStrings::text(ResStrings::SAcadNotReady));
    }
}
