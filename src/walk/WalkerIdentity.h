#pragma once

#include <string_view>

// How the walker is known to the CAD and to the program. The ProgID and the
// class identifier are the walker's for good; the version changes with every
// release of the program, and the program uses only the walker of its own
// version (an older copy registered by another installation answers another
// one, and the program then walks by itself).
namespace walk {

inline constexpr std::u16string_view walkerProgId = u"Vedoris.Walker";
inline constexpr std::u16string_view walkerClassId = u"{5C0A7E3D-2B4F-4E61-9A8D-7F3B1C2E4D5A}";

// The version text the walker answers: the program's version, and the
// revision of the answers' shape (WalkerAnswer.h).
std::u16string_view walkerVersion();

} // namespace walk
