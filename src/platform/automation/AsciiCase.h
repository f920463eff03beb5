#pragma once

#include <cstddef>
#include <string_view>

namespace automation {

// Names that match as IDispatch::GetIDsOfNames matches them: the letters A-Z
// equal their small forms, and nothing else is folded. Member names, ProgIDs
// and the code pages of a DXF file compare so. Inline, since it runs inside
// the scans of member tables.
template <class Char>
constexpr Char asciiLower(Char c)
{
    return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

template <class Char>
constexpr bool equalIgnoringAsciiCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

} // namespace automation
