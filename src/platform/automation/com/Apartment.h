#pragma once

#ifdef _WIN32

#include <windows.h>

#include <ole2.h>
#include <objbase.h>

namespace automation::com {

// The calling thread in a single-threaded apartment for the life of the
// guard (CoInitializeEx / CoUninitialize). The GUI thread holds one: the
// objects of the CAD and the spreadsheet application are called from it, and
// calls into this program's own objects arrive through its message loop.
// A thread that already is in an apartment (Qt initialises OLE on its GUI
// thread) stays in it; the guard then only balances its own initialisation.
class Apartment {
public:
    Apartment();
    ~Apartment();
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

    // S_OK, S_FALSE (already initialised) or the failure, e.g.
    // RPC_E_CHANGED_MODE for a thread in the multithreaded apartment.
    HRESULT result() const { return m_result; }

private:
    HRESULT m_result;
};

} // namespace automation::com

#endif // _WIN32
