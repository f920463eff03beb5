#include "ComFixture.h"

#include "ComTestIds.h"
#include "ComTestObject.h"

#include "platform/automation/com/ComObjects.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/Utf8.h"

using namespace automation;

namespace {

// Set up once for the binary: the in-process class, the COM backend of the
// object registry, and one object of the server program held for the whole
// run, so that the server stays up between tests instead of starting anew.
class ComServers : public testing::Environment {
public:
    void SetUp() override
    {
        auto* factory = new ComTestFactory;
        ::CoRegisterClassObject(kInProcessClsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
        factory->Release();
        setObjectBackend(com::makeObjectBackend());
        try {
            m_keeper = com::createObject(u"Vedoris.ComTest");
        } catch (const CallFailure&) {
            // Each LocalServer test reports the failure itself.
        }
    }

    void TearDown() override
    {
        m_keeper.reset();
        setObjectBackend(nullptr);
        ::CoRevokeClassObject(m_cookie);
    }

private:
    DWORD m_cookie = 0;
    DispatchRef m_keeper;
};

[[maybe_unused]] testing::Environment* const servers = testing::AddGlobalTestEnvironment(new ComServers);

} // namespace

std::string whereName(const testing::TestParamInfo<Where>& info)
{
    return info.param == Where::InProcess ? "InProcess" : "LocalServer";
}

void ComObjectTest::SetUp()
{
    const std::u16string progId = GetParam() == Where::InProcess ? u"Vedoris.ComTest.InProcess" : u"Vedoris.ComTest";
    try {
        server = Variant::dispatch(createObject(progId));
    } catch (const CallFailure& e) {
        FAIL() << "creating " << toUtf8(progId) << ": " << e.what();
    }
    if (GetParam() == Where::LocalServer)
        ASSERT_NE(get(server, u"ProcessId").toI4(), static_cast<int32_t>(::GetCurrentProcessId()));
    else
        ASSERT_EQ(get(server, u"ProcessId").toI4(), static_cast<int32_t>(::GetCurrentProcessId()));
}

CaughtFailure failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const LinkFailure& e) {
        return CaughtFailure(e, true);
    } catch (const CallFailure& e) {
        return CaughtFailure(e, false);
    }
    ADD_FAILURE() << "no CallFailure was raised";
    return CaughtFailure(AutomationError(0, u"(none)"), false);
}

bool runningOnWine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

std::u16string ascii(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

std::u16string text(const Variant& object, std::u16string_view member) { return get(object, member).toBStr(); }

void automation::PrintTo(const Variant& value, std::ostream* out)
{
    *out << typeName(value.type());
    switch (value.type()) {
    case VarType::Empty: case VarType::Null: return;
    case VarType::I2: case VarType::I4: case VarType::I8: *out << ":" << value.toI8(); return;
    case VarType::R8: *out << ":" << value.toR8(); return;
    case VarType::Bool: *out << ":" << (value.toBool() ? "true" : "false"); return;
    case VarType::BStr: *out << ":\"" << toUtf8(value.toBStr()) << "\""; return;
    case VarType::Error: *out << ":" << std::hex << static_cast<uint32_t>(value.errorCode()) << std::dec; return;
    case VarType::Dispatch: *out << ":" << value.toDispatch().get(); return;
    case VarType::Array:
        *out << "[" << value.lowerBound() << ".." << value.upperBound() << "](";
        for (int32_t i = value.lowerBound(); i <= value.upperBound(); ++i) {
            if (i > value.lowerBound())
                *out << ",";
            PrintTo(value.at(i), out);
        }
        *out << ")";
        return;
    }
}
