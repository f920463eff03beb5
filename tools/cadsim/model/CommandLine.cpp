#include "cadsim/model/CommandLine.h"

#include "cadsim/model/Text.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace cadsim {

namespace {

constexpr std::u16string_view loadPrefix = u"(load \"";
constexpr std::u16string_view loadSuffix = u"\")";
constexpr std::u16string_view selectPrefix = u"(sssetfirst nil (ssadd (handent \"";
constexpr std::u16string_view selectSuffix = u"\")))";

std::u16string_view trimLineEnd(std::u16string_view text)
{
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\n' || text.back() == u'\r'))
        text.remove_suffix(1);
    return text;
}

// The contents of one LISP string literal that fills `body` exactly, or nothing.
std::optional<std::u16string> lispString(std::u16string_view body)
{
    std::u16string value;
    for (size_t i = 0; i < body.size(); ++i) {
        char16_t c = body[i];
        if (c == u'"')
            return std::nullopt;
        if (c == u'\\') {
            if (++i == body.size())
                return std::nullopt;
            c = body[i];
            if (c == u'n')
                c = u'\n';
            else if (c == u't')
                c = u'\t';
        }
        value.push_back(c);
    }
    return value;
}

std::optional<std::u16string> quotedArgument(std::u16string_view text, std::u16string_view prefix,
                                             std::u16string_view suffix)
{
    if (!text.starts_with(prefix) || !text.ends_with(suffix) || text.size() < prefix.size() + suffix.size())
        return std::nullopt;
    return lispString(text.substr(prefix.size(), text.size() - prefix.size() - suffix.size()));
}

bool isAbsolute(std::u16string_view path)
{
    if (path.starts_with(u"/") || path.starts_with(u"\\"))
        return true;
    return path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
}

bool hasExtension(std::u16string_view name)
{
    const size_t slash = name.find_last_of(u"/\\");
    const size_t dot = name.rfind(u'.');
    return dot != std::u16string_view::npos && (slash == std::u16string_view::npos || dot > slash);
}

// The file's path in the folder, joined with the folder's own separator: a
// Windows folder names its files with backslashes, as the CAD does there.
std::u16string inFolder(std::u16string_view folder, std::u16string_view name)
{
    std::u16string path(folder);
    if (path.back() != u'/' && path.back() != u'\\')
        path += path.find(u'\\') != std::u16string::npos ? u'\\' : u'/';
    path += name;
    return path;
}

} // namespace

CommandExpression parseCommand(std::u16string_view text)
{
    text = trimLineEnd(text);
    if (auto name = quotedArgument(text, loadPrefix, loadSuffix); name && !name->empty())
        return LoadExpression{std::move(*name)};
    if (auto handle = quotedArgument(text, selectPrefix, selectSuffix))
        return SelectExpression{std::move(*handle)};
    return std::monostate{};
}

std::optional<std::u16string> findSupportFile(std::u16string_view fileName,
                                              std::u16string_view supportPath,
                                              const FileExists& exists)
{
    std::vector<std::u16string> names{std::u16string(fileName)};
    if (!hasExtension(fileName))
        for (std::u16string_view extension : {u".vlx", u".fas", u".lsp"})
            names.push_back(std::u16string(fileName) + std::u16string(extension));

    for (const std::u16string& name : names) {
        if (isAbsolute(name)) {
            if (exists(name))
                return name;
            continue;
        }
        for (const std::u16string& folder : splitFolderList(supportPath)) {
            std::u16string path = inFolder(folder, name);
            if (exists(path))
                return path;
        }
    }
    return std::nullopt;
}

bool regularFileExists(const std::u16string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(path), error);
}

} // namespace cadsim
