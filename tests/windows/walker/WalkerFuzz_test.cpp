// The walker as the CAD loads it: the shipped DLL beside this suite, its
// class made through its own class factory, and called through IDispatch with
// raw DISPPARAMS (Pipes, Find, Layers), so that its DispatchAdapter, its
// VARIANT conversion and the walk between them all take part. The model space it walks is the hostile
// CAD of HostileCad.h, seeded run after run (VEDORIS_FUZZ_SEED and
// VEDORIS_FUZZ_RUNS choose which runs; a failure names its seed, and
// VEDORIS_FUZZ_VERBOSE=1 names each one before it runs, for a crash).
//
// Whatever the CAD answers, the walker answers S_OK with an answer the
// program can read (every row a pipe) or a COM failure; it never tries a
// refused call again (that would wait on the CAD's thread); a failed link
// reaches the program, as the answer's failure or as the call's own; and
// every reference it took goes back.
#include "HostileCad.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/com/ComResources.h"
#include "platform/automation/com/VariantConversion.h"
#include "walk/WalkerAnswer.h"
#include "walk/WalkerIdentity.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

using automation::Variant;

namespace {

// The walker's DLL, loaded as a CAD's COM loads it, without the registry.
class WalkerDll {
public:
    WalkerDll()
    {
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring path(self);
        path = path.substr(0, path.find_last_of(L"\\/") + 1)
               + std::wstring(walk::walkerFileName.begin(), walk::walkerFileName.end());
        m_module = ::LoadLibraryW(path.c_str());
        if (!m_module)
            return;
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        // GetProcAddress's type stands for any entry point; this one is DllGetClassObject.
        const auto get = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(::GetProcAddress(m_module, "DllGetClassObject")));
        CLSID walker{};
        const std::wstring classId(walk::walkerClassId.begin(), walk::walkerClassId.end());
        if (get && SUCCEEDED(::CLSIDFromString(classId.c_str(), &walker)))
            get(walker, IID_IClassFactory, reinterpret_cast<void**>(&m_factory));
    }
    ~WalkerDll()
    {
        if (m_factory)
            m_factory->Release();
        // Never freed: the DLL says so itself (DllCanUnloadNow), as a CAD finds.
    }
    WalkerDll(const WalkerDll&) = delete;
    WalkerDll& operator=(const WalkerDll&) = delete;

    IDispatch* create() const
    {
        IDispatch* walker = nullptr;
        if (m_factory)
            m_factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&walker));
        return walker;
    }

private:
    HMODULE m_module = nullptr;
    IClassFactory* m_factory = nullptr;
};

const WalkerDll& walkerDll()
{
    static const WalkerDll dll;
    return dll;
}

DISPID idOf(IDispatch* object, const wchar_t* name)
{
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 1033, &id), S_OK) << name;
    return id;
}

uint64_t fromEnvironment(const char* name, uint64_t fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

enum class Walk { Pipes, Find, Layers };

// One call of Pipes, Find or Layers on a fresh hostile collection.
void walkOnce(IDispatch* walker, uint64_t seed, Walk walk)
{
    const bool find = walk == Walk::Find;
    auto script = std::make_shared<hostile::Script>(seed);
    static const uint32_t odds[] = {3, 6, 20, 1000000};
    script->failureOdds = odds[script->below(4)];
    const int32_t entities = int32_t(script->below(40));
    IDispatch* space = hostile::makeModelSpace(script, entities);
    const int32_t first = script->oneIn(8) ? -int32_t(script->below(3)) : int32_t(script->below(4));
    const int32_t count = script->oneIn(8) ? int32_t(0x7FFFFFFF) : int32_t(script->below(50));

    // Arguments as DISPPARAMS holds them, last first.
    VARIANT args[4];
    for (VARIANT& a : args)
        ::VariantInit(&a);
    UINT argCount = find ? 4 : 3;
    VARIANT* at = args;
    if (find) {
        at->vt = VT_I4;
        at->lVal = LONG(script->below(6));
        ++at;
    }
    at[0].vt = VT_I4;
    at[0].lVal = count;
    at[1].vt = VT_I4;
    at[1].lVal = first;
    at[2].vt = VT_DISPATCH;
    at[2].pdispVal = space;
    DISPPARAMS params{args, nullptr, argCount, 0};

    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const wchar_t* member = walk == Walk::Find ? L"Find" : walk == Walk::Layers ? L"Layers" : L"Pipes";
    const HRESULT hr = walker->Invoke(idOf(walker, member), IID_NULL, 1033, DISPATCH_METHOD, &params, &result,
                                      &exception, &argumentError);

    EXPECT_EQ(script->retriesAfterRefusal, 0) << "a refused call was tried again inside the CAD";
    if (SUCCEEDED(hr)) {
        EXPECT_EQ(hr, S_OK);
        try {
            const Variant answer = automation::com::fromComVariant(result);
            int32_t failureCode = 0;
            if (walk == Walk::Find) {
                const walk::MatchChunk chunk = walk::decodeMatches(answer, first, count);
                for (const std::u16string& handle : chunk.handles)
                    EXPECT_TRUE(walk::isEntityHandle(handle));
                failureCode = chunk.failure ? chunk.failure->code : 0;
            } else if (walk == Walk::Layers) {
                const walk::LayerChunk chunk = walk::decodeLayers(answer, first, count);
                failureCode = chunk.failure ? chunk.failure->code : 0;
            } else {
                const walk::PipeChunk chunk = walk::decodePipes(answer, first, count);
                for (const walk::PipeRow& row : chunk.rows)
                    EXPECT_TRUE(walk::hasPipeSizes(row));
                failureCode = chunk.failure ? chunk.failure->code : 0;
            }
            if (script->linkFailed) {
                EXPECT_TRUE(automation::isLinkFailureCode(failureCode))
                    << "the link failed during the walk; the answer says " << std::hex << failureCode;
            }
        } catch (const automation::AutomationError& e) {
            ADD_FAILURE() << "the program cannot read the walker's answer: " << e.what();
        }
    } else {
        // A failure with texts travels as an exception carrying its code.
        const HRESULT code = hr != DISP_E_EXCEPTION ? hr : exception.wCode ? exception.wCode : exception.scode;
        if (script->linkFailed) {
            EXPECT_TRUE(automation::isLinkFailureCode(code))
                << "the link failed during the walk; the walker answers " << std::hex << code;
        }
        ::SysFreeString(exception.bstrSource);
        ::SysFreeString(exception.bstrDescription);
        ::SysFreeString(exception.bstrHelpFile);
    }
    ::VariantClear(&result);
    for (VARIANT& a : args)
        ::VariantClear(&a); // the model space's reference goes with its argument
    EXPECT_EQ(script->liveObjects, 0) << "the walker kept references to the CAD's objects";
}

TEST(WalkerFuzz, WhateverTheCadAnswersTheWalkerAnswersReadablyOrFailsAsCom)
{
    IDispatch* walker = walkerDll().create();
    ASSERT_NE(walker, nullptr) << "the walker's DLL does not lie beside the suite, or makes no object";
    const uint64_t first = fromEnvironment("VEDORIS_FUZZ_SEED", 1);
    const uint64_t runs = fromEnvironment("VEDORIS_FUZZ_RUNS", 10000);
    const bool verbose = fromEnvironment("VEDORIS_FUZZ_VERBOSE", 0) != 0;
    for (uint64_t seed = first; seed < first + runs && !HasFailure(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        // A crash leaves no trace behind: VEDORIS_FUZZ_VERBOSE names each seed before its run.
        if (verbose)
            std::fprintf(stderr, "seed %llu\n", static_cast<unsigned long long>(seed));
        walkOnce(walker, seed, static_cast<Walk>(seed % 3));
    }
    walker->Release();
}

TEST(WalkerFuzz, NamesTheWalkerDoesNotHaveAreUnknownAndCostNothing)
{
    IDispatch* walker = walkerDll().create();
    ASSERT_NE(walker, nullptr);
    for (const wchar_t* known : {L"Version", L"pipes", L"FIND", L"Layers"})
        idOf(walker, known);
    for (int i = 0; i < 20000; ++i) {
        const std::wstring name = L"NoSuchMember" + std::to_wstring(i);
        LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
        DISPID id = 0;
        ASSERT_EQ(walker->GetIDsOfNames(IID_NULL, names, 1, 1033, &id), DISP_E_UNKNOWNNAME) << i;
        ASSERT_EQ(id, DISPID_UNKNOWN);
    }
    walker->Release();
}

// A model space of another apartment reaches the walker as COM's proxy,
// through which every call would block the CAD's thread on that apartment:
// it is refused as it arrives, and nothing is called through it.
TEST(WalkerFuzz, AModelSpaceReachedThroughAProxyIsRefusedWithoutACall)
{
    IDispatch* walker = walkerDll().create();
    ASSERT_NE(walker, nullptr);
    auto script = std::make_shared<hostile::Script>(7);
    script->failureOdds = 1000000;
    IStream* marshalled = nullptr;
    HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        IDispatch* space = hostile::makeModelSpace(script, 5);
        ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, space, &marshalled);
        space->Release();
        ::SetEvent(ready);
        // The other apartment answers calls until the test is over.
        while (::MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageW(&message);
        }
        ::CoUninitialize();
    });
    ::WaitForSingleObject(ready, INFINITE);
    IDispatch* proxy = nullptr;
    ASSERT_EQ(::CoGetInterfaceAndReleaseStream(marshalled, IID_IDispatch, reinterpret_cast<void**>(&proxy)), S_OK);

    VARIANT args[3];
    for (VARIANT& a : args)
        ::VariantInit(&a);
    args[0].vt = VT_I4;
    args[0].lVal = 5;
    args[1].vt = VT_I4;
    args[1].lVal = 0;
    args[2].vt = VT_DISPATCH;
    args[2].pdispVal = proxy;
    DISPPARAMS params{args, nullptr, 3, 0};
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO exception{};
    UINT argumentError = 99;
    const HRESULT hr = walker->Invoke(idOf(walker, L"Pipes"), IID_NULL, 1033, DISPATCH_METHOD, &params, &result,
                                      &exception, &argumentError);
    EXPECT_EQ(hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argumentError, 2u) << "the model space, the first argument, is the one refused";
    EXPECT_EQ(script->calls, 0) << "a call went through the proxy";
    ::VariantClear(&result);
    ::VariantClear(&args[2]);
    walker->Release();
    ::SetEvent(done);
    other.join();
    ::CloseHandle(done);
    ::CloseHandle(ready);
}

// The conversion itself, directed: how deep values may nest.
struct NestingCase {
    const char* name;
    int levels; // arrays around a value
    bool converts;
};

class VariantNesting : public testing::TestWithParam<NestingCase> {};

TEST_P(VariantNesting, DeepValuesFailAsComErrorsBeforeTheStackRunsOut)
{
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_I2;
    value.iVal = 10;
    for (int i = 0; i < GetParam().levels; ++i) {
        SAFEARRAY* array = ::SafeArrayCreateVector(VT_VARIANT, 0, 1);
        VARIANT* elements = nullptr;
        ::SafeArrayAccessData(array, reinterpret_cast<void**>(&elements));
        elements[0] = value;
        ::SafeArrayUnaccessData(array);
        ::VariantInit(&value);
        value.vt = VT_ARRAY | VT_VARIANT;
        value.parray = array;
    }
    if (GetParam().converts) {
        Variant converted = automation::com::fromComVariant(value);
        for (int i = 0; i < GetParam().levels; ++i) {
            const Variant inner = converted.at(0);
            converted = inner;
        }
        EXPECT_EQ(converted, Variant::i2(10));
    } else {
        EXPECT_THROW(automation::com::fromComVariant(value), automation::AutomationError);
    }
    ::VariantClear(&value);
}

INSTANTIATE_TEST_SUITE_P(Cases, VariantNesting,
                         testing::Values(NestingCase{"AValue", 0, true}, NestingCase{"ThirtyOneArraysDeep", 31, true},
                                         NestingCase{"ThirtyTwoArraysDeep", 32, false},
                                         NestingCase{"AThousandArraysDeep", 1000, false}),
                         [](const testing::TestParamInfo<NestingCase>& info) { return std::string(info.param.name); });

TEST(VariantNesting, AByReferenceVariantThatPointsAtItselfIsRefused)
{
    VARIANT self;
    self.vt = VT_BYREF | VT_VARIANT;
    self.pvarVal = &self;
    EXPECT_THROW(automation::com::fromComVariant(self), automation::AutomationError);
}

} // namespace
