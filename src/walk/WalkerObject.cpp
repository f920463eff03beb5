#include "walk/WalkerObject.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Utf8.h"
#include "walk/WalkerAnswer.h"
#include "walk/WalkerIdentity.h"

#include <new>

namespace walk {

using automation::Args;
using automation::AutomationError;
using automation::Variant;
namespace hr = automation::hr;

namespace {

// The collection to be walked (a model space, a layer table): an automation
// object, or a type mismatch.
const Variant& collectionArgument(const Args& args)
{
    const Variant& value = args[0].value();
    if (!value.isDispatch() || !value.toDispatch())
        throw AutomationError(hr::Disp_E_TypeMismatch, u"The first argument must be a collection of the drawing",
                              u"Vedoris.Walker");
    return value;
}

// Runs a member so that nothing but an automation error leaves it.
template <typename F>
Variant guarded(F&& run)
{
    try {
        return run();
    } catch (const automation::CallFailure&) {
        throw; // the transport tells its caller of which kind
    } catch (const std::bad_alloc&) {
        throw AutomationError(hr::E_OutOfMemory, u"Out of memory", u"Vedoris.Walker");
    } catch (const std::exception& e) {
        throw AutomationError(hr::E_Fail, automation::fromUtf8(e.what()), u"Vedoris.Walker");
    } catch (...) {
        // Whatever else was thrown: the CAD hears an automation error only.
        throw AutomationError(hr::E_Fail, u"Unexpected failure", u"Vedoris.Walker");
    }
}

} // namespace

WalkerObject::WalkerObject() : TableObject(members()) {}

const automation::MemberTable& WalkerObject::members()
{
    static const automation::Members<WalkerObject> table =
        automation::Members<WalkerObject>()
            .property(u"Version", [](WalkerObject&) { return Variant::bstr(std::u16string(walkerVersion())); })
            .method(u"Pipes", 3, 3,
                    [](WalkerObject&, Args a) {
                        return guarded([&] {
                            return encodePipes(
                                collectPipes(collectionArgument(a), a[1].value().toI4(), a[2].value().toI4()));
                        });
                    })
            .method(u"Find", 4, 4,
                    [](WalkerObject&, Args a) {
                        return guarded([&] {
                            return encodeMatches(findEntities(collectionArgument(a), a[1].value().toI4(),
                                                              a[2].value().toI4(), a[3].value()));
                        });
                    })
            .method(u"Layers", 3, 3, [](WalkerObject&, Args a) {
                return guarded([&] {
                    return encodeLayers(readLayers(collectionArgument(a), a[1].value().toI4(), a[2].value().toI4()));
                });
            });
    return table;
}

} // namespace walk
