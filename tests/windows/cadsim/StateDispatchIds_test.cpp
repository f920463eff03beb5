// Under COM, the simulator's idle state answers IsQuiescent under the
// dispatch identifier of the CAD it plays, as that CAD's type library numbers
// it: a client that took one CAD's number for every CAD would read another
// member, or none, of the next. A client that looks the name up, as the
// program does, reads it from each.
#include "TestDrawing.h"

#include "cadsim/model/CadPersonality.h"
#include "platform/automation/DeclaredDispatchIds.h"
#include "platform/automation/MemberTable.h"
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/ComDispatch.h"
#include "platform/automation/com/DispatchAdapter.h"

#include <gtest/gtest.h>

#include <memory>

using namespace automation;
using cadsim::findCadPersonality;
using automation::com::ComPtr;
using automation::com::DispatchAdapter;

namespace {

DISPID idOf(IDispatch& object, const wchar_t* name)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT found = object.GetIDsOfNames(IID_NULL, names, 1, 1033, &id);
    return SUCCEEDED(found) ? id : DISPID_UNKNOWN;
}

// A property get by identifier alone, with no lookup before it.
HRESULT getById(IDispatch& object, DISPID id, VARIANT& result)
{
    DISPPARAMS none{};
    ::VariantInit(&result);
    return object.Invoke(id, IID_NULL, 1033, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
}

struct Played {
    const char16_t* cad;
    const char16_t* idleQuery;
    DISPID quiescentId;
};

class StateDispatchIds : public ::testing::TestWithParam<Played> {
protected:
    com::Apartment apartment;
    cadsim::testing::SampleCad cad;

    // A fresh idle state of the CAD played, as COM sees it.
    ComPtr<IDispatch> servedState()
    {
        cad.sim.setPersonality(*findCadPersonality(GetParam().cad));
        return DispatchAdapter::of(get(cad.app, GetParam().idleQuery).toDispatch());
    }
};

TEST_P(StateDispatchIds, IsQuiescentHasTheNumberOfTheCadPlayed)
{
    const ComPtr<IDispatch> looked = servedState();
    EXPECT_EQ(idOf(*looked.get(), L"IsQuiescent"), GetParam().quiescentId);
    EXPECT_EQ(idOf(*looked.get(), L"ISQUIESCENT"), GetParam().quiescentId);
    EXPECT_EQ(idOf(*looked.get(), L"IsBusy"), DISPID_UNKNOWN);

    // Called by that number alone, on a state no one has looked up.
    const ComPtr<IDispatch> unasked = servedState();
    VARIANT answer;
    ASSERT_EQ(getById(*unasked.get(), GetParam().quiescentId, answer), S_OK);
    EXPECT_EQ(answer.vt, VT_BOOL);
    EXPECT_EQ(answer.boolVal, VARIANT_TRUE);
    const DISPID other = GetParam().quiescentId == 1 ? 2 : 1;
    EXPECT_EQ(getById(*unasked.get(), other, answer), DISP_E_MEMBERNOTFOUND);
}

TEST_P(StateDispatchIds, TheProgramsLookupByNameReadsIt)
{
    const Variant state = Variant::dispatch(std::make_shared<com::ComDispatch>(servedState()));
    EXPECT_EQ(get(state, u"IsQuiescent"), Variant::boolean(true));
    cad.sim.setStaysBusy(true);
    EXPECT_EQ(get(state, u"IsQuiescent"), Variant::boolean(false));
}

INSTANTIATE_TEST_SUITE_P(Cads, StateDispatchIds,
                         ::testing::Values(Played{u"nanocad", u"GetState", 1}, Played{u"autocad", u"GetAcadState", 2}),
                         [](const ::testing::TestParamInfo<Played>& info) {
                             return std::u16string_view(info.param.cad) == u"nanocad" ? "NanoCad" : "AutoCad";
                         });

// An object of two members, the second declared with identifier 1.
class Declaring final : public TableObject, public DeclaredDispatchIds {
public:
    Declaring() : TableObject(members()) {}

    std::optional<int32_t> declaredDispatchId(std::u16string_view name) const override
    {
        return sameMemberName(name, u"Second") ? std::optional<int32_t>(1) : std::nullopt;
    }
    std::optional<std::u16string> memberWithDispatchId(int32_t id) const override
    {
        return id == 1 ? std::optional<std::u16string>(u"Second") : std::nullopt;
    }

private:
    static const MemberTable& members()
    {
        static const Members<Declaring> table = Members<Declaring>()
                                                    .property(u"First", [](Declaring&) { return Variant::i4(10); })
                                                    .property(u"Second", [](Declaring&) { return Variant::i4(20); });
        return table;
    }
};

TEST(DeclaredDispatchIds, NamesAskedForNeverTakeADeclaredNumber)
{
    com::Apartment apartment;
    const ComPtr<IDispatch> served = DispatchAdapter::of(std::make_shared<Declaring>());
    const DISPID first = idOf(*served.get(), L"First");
    EXPECT_NE(first, DISPID_UNKNOWN);
    EXPECT_NE(first, 1);
    EXPECT_EQ(idOf(*served.get(), L"second"), 1);
    EXPECT_EQ(idOf(*served.get(), L"First"), first);

    VARIANT answer;
    ASSERT_EQ(getById(*served.get(), first, answer), S_OK);
    EXPECT_EQ(answer.lVal, 10);
    ASSERT_EQ(getById(*served.get(), 1, answer), S_OK);
    EXPECT_EQ(answer.lVal, 20);
}

} // namespace
