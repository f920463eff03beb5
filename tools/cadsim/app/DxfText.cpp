#include "cadsim/app/DxfText.h"

#include "platform/automation/AsciiCase.h"
#include "platform/automation/Utf8.h"

#include <optional>

namespace cadsim {

namespace {

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// \U+XXXX (four hexadecimal digits) stands for one UTF-16 code unit; a CAD
// writes a character outside the code page that way. Anything else after a
// backslash (\P, \M+...) is text formatting and stays as it is.
std::u16string resolveEscapes(std::u16string text)
{
    if (text.find(u"\\U+") == std::u16string::npos && text.find(u"\\u+") == std::u16string::npos)
        return text;
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 6 < text.size() && (text[i + 1] == u'U' || text[i + 1] == u'u')
            && text[i + 2] == u'+') {
            int value = 0;
            bool ok = true;
            for (size_t k = 3; k < 7; ++k) {
                const int d = hexDigit(text[i + k]);
                ok = ok && d >= 0;
                value = value * 16 + (d < 0 ? 0 : d);
            }
            if (ok) {
                out += static_cast<char16_t>(value);
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace

bool storesUtf8(std::string_view version)
{
    // "AC1021" and later; the versions compare as texts of the same form.
    return version.size() == 6 && automation::equalIgnoringAsciiCase<char>(version.substr(0, 2), "AC") && version.substr(2) >= "1021";
}

std::u16string decodeDxfText(std::string_view bytes, const DxfEncoding& encoding)
{
    std::u16string text;
    if (encoding.kind == DxfEncoding::Kind::CodePage) {
        text = decodeCodePage(bytes, *encoding.codePage);
    } else {
        // A UTF-8 file with a stray byte still loads: that one text falls back.
        auto utf8 = automation::fromUtf8Strict(bytes);
        text = utf8 ? std::move(*utf8) : decodeCodePage(bytes, *encoding.codePage);
    }
    return resolveEscapes(std::move(text));
}

} // namespace cadsim
