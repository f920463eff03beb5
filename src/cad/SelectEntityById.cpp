#include "cad/SelectEntityById.h"

#include "cad/SystemVariables.h"
#include "cad/ModelSpaceWalker.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/Dispatch.h"
#include "platform/messages/Progress.h"
#include "walk/EntityReads.h"
#include "walk/PipeSolid.h"

using automation::Variant;

bool IsEntityHandle(const QString& text)
{
    return walk::isEntityHandle(text.toStdU16String());
}

QString SelectionCommand(const QString& handle)
{
    // The trailing blank ends the expression as Enter would.
    return QStringLiteral("(sssetfirst nil (ssadd (handent \"") + handle + QStringLiteral("\"))) ");
}

namespace {

// Brings the CAD forward and selects the entity with the handle. A failure
// with one entity does not stop the others.
void selectByHandle(TAbstrAcadObj& acad, const std::u16string& handle)
{
    try {
        acad.ActivateCadWindow();
        acad.RunCommand(SelectionCommand(QString::fromStdU16String(handle)));
    } catch (const progress::Cancelled&) {
        throw;
    } catch (const std::exception&) {
        // One entity that will not be selected does not stop the others.
    }
}

} // namespace

void SelectEntityById(int64_t id, const QString& handle, const QString& drawing)
{
    if (id <= 0)
        return;

    TAbstrAcadObj acad;

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
                        [&](const std::u16string& handle) {
                            found = true;
                            selectByHandle(acad, handle);
                        });
    if (found || handle.isEmpty() || drawing.isEmpty() || DrawingIdentity(acad.FDocument()) != drawing)
        return;
    try {
        const Variant entity =
            automation::call(acad.FDocument(), u"HandleToObject", Variant::bstr(handle.toStdU16String()));
        // Even in its own drawing the handle may by now name something else.
        // The handle selected is the one the CAD answers, checked like any
        // handle that goes into a command line.
        if (!walk::isPipeSolid(entity))
            return;
        const std::u16string own = automation::get(entity, u"Handle").toBStr();
        if (walk::isEntityHandle(own))
            selectByHandle(acad, own);
    } catch (const std::exception&) {
        // No entity has the handle either: the pipe is gone from the drawing.
    }
}
