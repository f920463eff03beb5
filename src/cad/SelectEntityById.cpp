#include "cad/SelectEntityById.h"

#include "cad/DrawingIdentity.h"
#include "cad/PipeSolid.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/Dispatch.h"

#include <algorithm>

using automation::Variant;

bool IsEntityHandle(const QString& text)
{
    constexpr qsizetype MaxDigits = 16; // a 64-bit handle
    if (text.isEmpty() || text.size() > MaxDigits)
        return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    });
}

QString SelectionCommand(const QString& handle)
{
    // The trailing blank ends the expression as Enter would.
    return QStringLiteral("(sssetfirst nil (ssadd (handent \"") + handle + QStringLiteral("\"))) ");
}

namespace {

void selectEntity(TAbstrAcadObj& acad, const Variant& entity)
{
    // The handle goes between quotes into a command line: anything but the
    // hexadecimal digits a CAD hands out could end the string and add
    // commands of its own. Such an entity fails like one whose Handle cannot
    // be read: nothing is activated or sent for it.
    const QString handle = QString::fromStdU16String(automation::get(entity, u"Handle").toBStr());
    if (!IsEntityHandle(handle))
        return;
    acad.ActivateCadWindow();
    acad.RunCommand(SelectionCommand(handle));
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
    if (found || handle.isEmpty() || drawing.isEmpty() || DrawingIdentity(acad.FDocument()) != drawing)
        return;
    try {
        const Variant entity =
            automation::call(acad.FDocument(), u"HandleToObject", Variant::bstr(handle.toStdU16String()));
        // Even in its own drawing the handle may by now name something else.
        if (IsPipeSolid(entity))
            selectEntity(acad, entity);
    } catch (const std::exception&) {
        // No entity has the handle either: the pipe is gone from the drawing.
    }
}
