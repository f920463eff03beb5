#pragma once

#include <guiddef.h>

// The test classes. The harness registers them in the Wine prefix with these
// same values (tests/windows/wine-harness.sh); change both together.

// Served by vedoris_com_test_server.exe (LocalServer32).
inline constexpr wchar_t kLocalProgId[] = L"Vedoris.ComTest";
// {6B1F3C52-8E4A-4C1D-9F27-3A5D2E7B9C01}
inline constexpr CLSID kLocalClsid = {0x6b1f3c52, 0x8e4a, 0x4c1d, {0x9f, 0x27, 0x3a, 0x5d, 0x2e, 0x7b, 0x9c, 0x01}};

// Registered at run time inside the test process only (no server program).
inline constexpr wchar_t kInProcessProgId[] = L"Vedoris.ComTest.InProcess";
// {6B1F3C52-8E4A-4C1D-9F27-3A5D2E7B9C02}
inline constexpr CLSID kInProcessClsid = {0x6b1f3c52, 0x8e4a, 0x4c1d, {0x9f, 0x27, 0x3a, 0x5d, 0x2e, 0x7b, 0x9c, 0x02}};

// A ProgID with a CLSID and no server, under which a test registers one of
// the program's own objects as running.
inline constexpr wchar_t kOwnObjectProgId[] = L"Vedoris.ComTest.Own";
// {6B1F3C52-8E4A-4C1D-9F27-3A5D2E7B9C03}
inline constexpr CLSID kOwnObjectClsid = {0x6b1f3c52, 0x8e4a, 0x4c1d, {0x9f, 0x27, 0x3a, 0x5d, 0x2e, 0x7b, 0x9c, 0x03}};
