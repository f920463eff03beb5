#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace os {

// `text` with every %NAME% whose variable `lookup` knows (an
// std::optional<std::u16string> for a name) replaced by its value; anything
// else, an unknown name or a lone "%", stays as it is written, as Windows and
// the CADs that read folder lists leave it. Qt-free, for the CAD simulator too.
template <typename Lookup>
std::u16string expandVariables(std::u16string_view text, Lookup&& lookup)
{
    std::u16string out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t open = text.find(u'%', at);
        const size_t close = open == std::u16string_view::npos ? open : text.find(u'%', open + 1);
        if (close == std::u16string_view::npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, open - at);
        const std::u16string_view name = text.substr(open + 1, close - open - 1);
        const std::optional<std::u16string> value =
            name.empty() ? std::nullopt : std::optional<std::u16string>(lookup(name));
        if (value) {
            out += *value;
            at = close + 1;
        } else {
            out += u'%';
            at = open + 1;
        }
    }
    return out;
}

} // namespace os
