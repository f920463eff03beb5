#pragma once

// A model space and its entities (or a layer table and its layers) as raw
// COM objects whose every answer comes
// from a seeded script: values of every VARIANT kind, arrays of any shape
// (nested past any sense, of two dimensions, typed, with odd bounds),
// by-reference VARIANTs that point on or at themselves, failures with and
// without EXCEPINFO, and the link failing part-way (the CAD gone, refusing,
// disconnected). What the walker makes of them is checked by the caller.
//
// The objects count what they were asked and what they answered, so that a
// test can tell whether the walker tried a refused call again (it must not:
// it would wait on the CAD's thread), whether it heard a failed link, and
// whether every reference it took went back.

#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace hostile {

// What every object of one script shares: the choices and the counts.
class Script {
public:
    explicit Script(uint64_t seed) : m_random(seed) {}

    uint32_t below(uint32_t bound) { return bound == 0 ? 0 : uint32_t(m_random() % bound); }
    bool oneIn(uint32_t n) { return below(n) == 0; }

    // Objects alive; references handed out and not returned show here.
    int liveObjects = 0;
    // A link failure answered to a call (the CAD gone, disconnected, …).
    bool linkFailed = false;
    // The same member of the same object called again right after it was
    // refused as busy: a retry.
    int retriesAfterRefusal = 0;
    int calls = 0;

    // The member and object of the last call, and whether it was refused.
    const void* lastObject = nullptr;
    DISPID lastMember = 0;
    bool lastRefused = false;

    // How many failures an entity's members may answer; the model space's
    // Item fails as a link failure at most this once in a while.
    uint32_t failureOdds = 6;

private:
    std::mt19937_64 m_random;
};

// Builds the VARIANTs of a script's answers. Targets of by-reference
// VARIANTs live in `storage` as long as the object that answered them.
class Values {
public:
    Values(Script& script, std::deque<VARIANT>& storage) : m_script(script), m_storage(storage) {}

    // Any value at all, to `depth` levels of arrays (and now and then far deeper).
    void any(VARIANT& out, int depth = 0);
    // A value the walk takes seriously for the member: a type code, a
    // layer's name, an ObjectID, a handle, a layer's name and flags; now and
    // then any value instead.
    void forMember(const std::wstring& member, VARIANT& out);
    // GetXData's two arrays: group codes and values, in every shape.
    void xdata(VARIANT& codes, VARIANT& values);

private:
    void scalar(VARIANT& out);
    void array(VARIANT& out, int depth);
    void deepArray(VARIANT& out, int levels);
    void byReference(VARIANT& out);
    double real();
    // `out` as `set` makes it or, once in `odds` times, any value at all.
    template <typename Set>
    void mostly(VARIANT& out, uint32_t odds, Set&& set)
    {
        if (m_script.oneIn(odds))
            any(out);
        else
            set(out);
    }

    Script& m_script;
    std::deque<VARIANT>& m_storage;
};

// A failure for a call: an HRESULT of a failed link, a refusal, an
// automation failure with EXCEPINFO, or a plain dispatch failure.
HRESULT failure(Script& script, EXCEPINFO* exception);

// Whether the code says that the call never reached the object or its
// answer never came back.
bool isLinkFailure(HRESULT code);

// The model space of `count` entities (which answer a layer's members as
// well, so that it serves as a layer table too), with one reference for
// the caller.
IDispatch* makeModelSpace(const std::shared_ptr<Script>& script, int32_t count);

} // namespace hostile
