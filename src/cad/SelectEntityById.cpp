#include "cad/SelectEntityById.h"

#include "cad/PipeSolid.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/Dispatch.h"

using automation::Variant;

QString SelectionCommand(const QString& handle)
{
    // The trailing blank ends the expression as Enter would.
    return QStringLiteral("(sssetfirst nil (ssadd (handent \"") + handle + QStringLiteral("\"))) ");
}

namespace {

void selectEntity(TAbstrAcadObj& acad, const Variant& entity)
{
    acad.ActivateCadWindow();
    const QString handle = QString::fromStdU16String(automation::get(entity, u"Handle").toBStr());
    acad.RunCommand(SelectionCommand(handle));
}

} // namespace

void SelectEntityById(int64_t id, const QString& handle)
{
    if (id <= 0)
        return;

    TAbstrAcadObj acad;

    const Variant selection = automation::get(acad.FDocument(), u"PickfirstSelectionSet");
    if (automation::get(selection, u"Count").toI8() > 0)
        automation::call(selection, u"Clear");

    // ObjectIDs are compared as 64-bit values: on 64-bit CAD versions they
    // exceed 32 bits, and two of them may share their low half.
    const Variant wanted = Variant::i8(id);
    const int32_t count = automation::get(acad.FModelSpace(), u"Count").toI4();
    bool found = false;
    for (int32_t i = 0; i < count; ++i) {
        const Variant entity = automation::call(acad.FModelSpace(), u"Item", Variant::i4(i));
        // The whole model space is walked, also past a match: several entities
        // may report the same ObjectID, and each gets its own selection.
        try {
            if (automation::numericEquals(automation::get(entity, u"ObjectID"), wanted)) {
                found = true;
                selectEntity(acad, entity);
            }
        } catch (const std::exception&) {
            // One entity that will not answer does not stop the walk.
        }
    }
    if (found || handle.isEmpty())
        return;
    try {
        const Variant entity =
            automation::call(acad.FDocument(), u"HandleToObject", Variant::bstr(handle.toStdU16String()));
        // The handle may by now name something else of another drawing.
        if (IsPipeSolid(entity))
            selectEntity(acad, entity);
    } catch (const std::exception&) {
        // No entity has the handle either: the pipe is gone from the drawing.
    }
}
