#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace automation {

// UTF-8 ⇄ UTF-16, the one converter of the program's Qt-free code (the
// automation core, the COM backend, the CAD simulator's drawing reader).
//
// Encoding writes a lone surrogate as U+FFFD. Lenient decoding turns every
// byte that does not begin a well-formed sequence into U+FFFD and goes on;
// strict decoding gives up on the first such byte, for callers that fall back
// to another encoding. Well-formed means the shortest form, no surrogate,
// nothing above U+10FFFF.
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);
std::optional<std::u16string> fromUtf8Strict(std::string_view text);

// Appends one code point as one or two UTF-16 units.
void appendCodePoint(std::u16string& out, char32_t codePoint);

} // namespace automation
