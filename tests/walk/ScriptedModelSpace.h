#pragma once

// A model space whose entities answer whatever a test or a fuzzer scripts,
// types and failures included: what a CAD, or a hostile one, might answer.
// Qt-free, so that the fuzz target takes it as the tests do.

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace scripted {

using automation::Args;
using automation::Variant;

class Entity final : public automation::Dispatch {
public:
    using Answer = std::function<Variant(Args)>;

    Variant invoke(std::u16string_view member, automation::InvokeKind, Args args) override
    {
        ++calls;
        const auto found = answers.find(std::u16string(member));
        if (found == answers.end())
            throw automation::AutomationError(automation::hr::Disp_E_UnknownName, u"Unknown name", {},
                                              std::u16string(member));
        return found->second(args);
    }

    // The member answers `value`.
    Entity& answer(std::u16string member, Variant value)
    {
        answers[std::move(member)] = [value](Args) { return value; };
        return *this;
    }
    // The member fails as a CAD's member fails: with the CAD's answer, or,
    // for a code of the call channel, with no answer (a LinkFailure).
    Entity& fail(std::u16string member, int32_t code = automation::hr::E_Fail)
    {
        answers[std::move(member)] = [code](Args) -> Variant {
            automation::raiseCallFailure(code, u"Scripted failure");
        };
        return *this;
    }
    // GetXData writes the two arrays into its by-reference arguments.
    Entity& xdata(Variant codes, Variant values)
    {
        answers[u"GetXData"] = [codes, values](Args args) {
            if (args.size() == 3) {
                args[1].slot() = codes;
                args[2].slot() = values;
            }
            return Variant();
        };
        return *this;
    }

    std::map<std::u16string, Answer> answers;
    int calls = 0;
};

class ModelSpace final : public automation::Dispatch {
public:
    Variant invoke(std::u16string_view member, automation::InvokeKind, Args args) override
    {
        if (member == u"Count")
            return Variant::i4(int32_t(entities.size()));
        if (member != u"Item" || args.size() != 1)
            throw automation::AutomationError(automation::hr::Disp_E_UnknownName, u"Unknown name");
        const int32_t index = args[0].value().toI4();
        ++itemCalls;
        if (linkFailsAt && index >= *linkFailsAt)
            throw automation::LinkFailure(automation::hr::Rpc_E_Disconnected, u"The CAD went away", u"CAD");
        if (failItemAt && index >= *failItemAt)
            throw automation::AutomationError(automation::hr::E_Fail, u"The entity is gone", u"CAD");
        if (index < 0 || size_t(index) >= entities.size())
            throw automation::AutomationError(automation::hr::Disp_E_BadIndex, u"Index out of range");
        return Variant::dispatch(entities[size_t(index)]);
    }

    Entity& add()
    {
        entities.push_back(std::make_shared<Entity>());
        return *entities.back();
    }

    std::vector<std::shared_ptr<Entity>> entities;
    std::optional<int32_t> failItemAt;  // Item answers an error from here on
    std::optional<int32_t> linkFailsAt; // Item gets no answer from here on
    int itemCalls = 0;
};

inline Variant point(Variant x, Variant y, Variant z) { return Variant::array({std::move(x), std::move(y), std::move(z)}); }

// A pipe solid as the CAD-side pipe program marks it.
inline Entity& addPipe(ModelSpace& space, std::u16string layer, int64_t objectId, std::u16string handle,
                       double length, double outerRadius, double innerRadius)
{
    return space.add()
        .answer(u"EntityType", Variant::i4(3))
        .answer(u"Layer", Variant::bstr(std::move(layer)))
        .answer(u"ObjectID", Variant::i8(objectId))
        .answer(u"Handle", Variant::bstr(std::move(handle)))
        .xdata(Variant::array({Variant::i2(1070), Variant::i2(1010)}),
               Variant::array({Variant::i2(10), point(Variant::r8(length), Variant::r8(outerRadius),
                                                      Variant::r8(innerRadius))}));
}

} // namespace scripted
