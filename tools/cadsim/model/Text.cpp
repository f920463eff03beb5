#include "cadsim/model/Text.h"

#include "platform/automation/Utf8.h"
#include "platform/os/EnvironmentText.h"

#include <cstdlib>
#include <optional>

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

namespace {

std::u16string_view trimmed(std::u16string_view text)
{
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<std::u16string> environmentVariable(std::u16string_view name)
{
    const std::string key = automation::toUtf8(name);
    const char* value = std::getenv(key.c_str());
    if (!value)
        return std::nullopt;
    return automation::fromUtf8(value);
}

} // namespace

std::u16string folderOfListElement(std::u16string_view element)
{
    std::u16string_view text = trimmed(element);
    if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"')
        text = trimmed(text.substr(1, text.size() - 2));
    return os::expandVariables(text, environmentVariable);
}

} // namespace cadsim
