#include "cadsim/app/DxfCodePage.h"

#include <cerrno>
#include <iconv.h>
#include <map>
#include <memory>
#include <string>

namespace cadsim {

namespace {

// One converter per code page, opened on first use and kept: a drawing has
// thousands of texts, and opening a converter costs far more than using it.
// Each thread keeps its own, since a converter carries its shift state.
class Converters {
public:
    ~Converters()
    {
        for (auto& [name, cd] : m_open)
            iconv_close(cd);
    }

    // nullptr when the C library cannot convert from this page.
    iconv_t forPage(const CodePage& page)
    {
        const std::string name(page.iconvName);
        auto found = m_open.find(name);
        if (found == m_open.end()) {
            iconv_t cd = iconv_open("UTF-16LE", name.c_str());
            found = m_open.emplace(name, cd).first;
        }
        return found->second == iconv_t(-1) ? nullptr : found->second;
    }

private:
    std::map<std::string, iconv_t> m_open;
};

thread_local Converters converters;

} // namespace

std::u16string decodeCodePage(std::string_view bytes, const CodePage& page)
{
    std::u16string out;
    out.reserve(bytes.size());
    iconv_t cd = converters.forPage(page);
    if (!cd) {
        for (char b : bytes)
            out += static_cast<char16_t>(static_cast<unsigned char>(b));
        return out;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // a fresh shift state for every text

    char* in = const_cast<char*>(bytes.data()); // iconv's interface is not const; it only reads
    size_t inLeft = bytes.size();
    char16_t buffer[256];
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(reinterpret_cast<char16_t*>(outPtr) - buffer));
        if (result != size_t(-1) || errno == E2BIG)
            continue;
        // EILSEQ (a byte the page leaves undefined) or EINVAL (a multi-byte
        // character cut off at the end): that byte passes as it is.
        out += static_cast<char16_t>(static_cast<unsigned char>(*in));
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Some converters hold the last character back to see whether a
    // combining mark follows (CP1255, CP1258): let it out.
    char* outPtr = reinterpret_cast<char*>(buffer);
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(reinterpret_cast<char16_t*>(outPtr) - buffer));
    return out;
}

} // namespace cadsim
