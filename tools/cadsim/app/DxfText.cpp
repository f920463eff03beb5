#include "cadsim/app/DxfText.h"

#include <optional>

namespace cadsim {

namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

void appendCodePoint(std::u16string& out, char32_t c)
{
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

// Strict UTF-8: nullopt for anything malformed (overlong forms, surrogates,
// truncated sequences), so that the caller can fall back to the code page.
std::optional<std::u16string> fromUtf8(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        int extra;
        char32_t c;
        char32_t minimum;
        if ((b & 0xE0) == 0xC0) {
            extra = 1, c = b & 0x1F, minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, c = b & 0x0F, minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, c = b & 0x07, minimum = 0x10000;
        } else {
            return std::nullopt;
        }
        if (i + extra >= bytes.size())
            return std::nullopt;
        for (int k = 1; k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(bytes[i + k]);
            if ((cont & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (cont & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        appendCodePoint(out, c);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::u16string fromCodePage(std::string_view bytes, int codePage)
{
    const char16_t* upperHalf = codePageUpperHalf(codePage);
    std::u16string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        out += (b < 0x80 || !upperHalf) ? static_cast<char16_t>(b) : upperHalf[b - 0x80];
    }
    return out;
}

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

int codePageNumber(std::string_view name)
{
    struct Known {
        std::string_view name;
        int number;
    };
    static constexpr Known known[] = {
        {"ANSI_1251", 1251}, {"ANSI_1252", 1252}, {"DOS866", 866}, {"ANSI_866", 866}, {"CP866", 866},
    };
    for (const Known& k : known)
        if (sameName(name, k.name))
            return k.number;
    return 0;
}

bool storesUtf8(std::string_view version)
{
    // "AC1021" and later; the versions compare as texts of the same form.
    return version.size() == 6 && sameName(version.substr(0, 2), "AC") && version.substr(2) >= "1021";
}

std::u16string decodeDxfText(std::string_view bytes, const DxfEncoding& encoding)
{
    std::u16string text;
    if (encoding.kind == DxfEncoding::Kind::CodePage) {
        text = fromCodePage(bytes, encoding.codePage);
    } else {
        // A UTF-8 file with a stray byte still loads: that one text falls back.
        auto utf8 = fromUtf8(bytes);
        text = utf8 ? std::move(*utf8) : fromCodePage(bytes, encoding.codePage);
    }
    return resolveEscapes(std::move(text));
}

} // namespace cadsim
