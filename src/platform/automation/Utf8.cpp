#include "platform/automation/Utf8.h"

namespace automation {

namespace {

constexpr char32_t Replacement = 0xFFFD;

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code point of the well-formed sequence at the start of `bytes` and its
// length; nullopt when none starts there.
struct Decoded {
    char32_t codePoint;
    size_t length;
};

std::optional<Decoded> decodeOne(std::string_view bytes)
{
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80)
        return Decoded{lead, 1};
    size_t extra;
    char32_t c;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (extra >= bytes.size())
        return std::nullopt;
    for (size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(bytes[k]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || isSurrogate(c))
        return std::nullopt;
    return Decoded{c, extra + 1};
}

template <class OnMalformed>
bool decode(std::string_view text, std::u16string& out, OnMalformed onMalformed)
{
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (const auto decoded = decodeOne(text.substr(i))) {
            appendCodePoint(out, decoded->codePoint);
            i += decoded->length;
        } else {
            if (!onMalformed(out))
                return false;
            ++i;
        }
    }
    return true;
}

} // namespace

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

std::string toUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (isSurrogate(c)) {
            c = Replacement; // a lone surrogate cannot be written as UTF-8
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view text)
{
    std::u16string out;
    decode(text, out, [](std::u16string& o) {
        o += static_cast<char16_t>(Replacement);
        return true;
    });
    return out;
}

std::optional<std::u16string> fromUtf8Strict(std::string_view text)
{
    std::u16string out;
    if (!decode(text, out, [](std::u16string&) { return false; }))
        return std::nullopt;
    return out;
}

} // namespace automation
