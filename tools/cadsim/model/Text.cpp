#include "cadsim/model/Text.h"

namespace cadsim {

namespace {

char16_t foldChar(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + (u'a' - u'A'));
    if (c >= u'\u0410' && c <= u'\u042F') // А..Я
        return static_cast<char16_t>(c + 0x20);
    if (c >= u'\u0400' && c <= u'\u040F') // Ѐ..Џ, Ё among them
        return static_cast<char16_t>(c + 0x50);
    return c;
}

} // namespace

std::u16string foldCase(std::u16string_view text)
{
    std::u16string folded(text);
    for (char16_t& c : folded)
        c = foldChar(c);
    return folded;
}

bool endsWithIgnoringCase(std::u16string_view text, std::u16string_view end)
{
    return text.size() >= end.size() && equalsIgnoringCase(text.substr(text.size() - end.size()), end);
}

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldChar(a[i]) != foldChar(b[i]))
            return false;
    return true;
}

std::vector<std::u16string> splitFolderList(std::u16string_view list)
{
    std::vector<std::u16string> folders;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(u';', start);
        if (end == std::u16string_view::npos)
            end = list.size();
        if (end > start)
            folders.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

} // namespace cadsim
