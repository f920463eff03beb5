#include "cadsim/model/CommandLine.h"

#include <gtest/gtest.h>

#include <set>

using namespace cadsim;

namespace {

struct ParseCase {
    const char* name;
    std::u16string text;
    int kind; // 0 other, 1 load, 2 select
    std::u16string argument;
};

class ParseCommand : public ::testing::TestWithParam<ParseCase> {};

const ParseCase parseCases[] = {
    {"LoadWithTrailingBlank", u"(load \"tr.fas\") ", 1, u"tr.fas"},
    {"LoadWithoutTrailingBlank", u"(load \"tr.fas\")", 1, u"tr.fas"},
    {"LoadEndedByLineBreak", u"(load \"tr.fas\")\n", 1, u"tr.fas"},
    {"LoadWithLispEscapes", u"(load \"C:\\\\Tools\\\\tr.fas\") ", 1, u"C:\\Tools\\tr.fas"},
    {"LoadOfNothing", u"(load \"\") ", 0, u""},
    {"LoadWithExtraBlank", u"(load  \"tr.fas\") ", 0, u""},
    {"LoadInCapitals", u"(LOAD \"tr.fas\") ", 0, u""},
    {"LoadWithoutClosingParenthesis", u"(load \"tr.fas\" ", 0, u""},
    {"SelectWithTrailingBlank", u"(sssetfirst nil (ssadd (handent \"2A\"))) ", 2, u"2A"},
    {"SelectWithoutTrailingBlank", u"(sssetfirst nil (ssadd (handent \"2A\")))", 2, u"2A"},
    {"SelectOfEmptyHandle", u"(sssetfirst nil (ssadd (handent \"\"))) ", 2, u""},
    {"SelectMissingParenthesis", u"(sssetfirst nil (ssadd (handent \"2A\")) ", 0, u""},
    {"SelectWithQuoteInHandle", u"(sssetfirst nil (ssadd (handent \"2\"A\"))) ", 0, u""},
    {"OtherCommand", u"REGEN ", 0, u""},
    {"Empty", u"", 0, u""},
};

TEST_P(ParseCommand, RecognisesOnlyTheExactShapes)
{
    const ParseCase& c = GetParam();
    const CommandExpression e = parseCommand(c.text);
    ASSERT_EQ(static_cast<int>(e.index()), c.kind);
    if (c.kind == 1) {
        EXPECT_EQ(std::get<LoadExpression>(e).fileName, c.argument);
    } else if (c.kind == 2) {
        EXPECT_EQ(std::get<SelectExpression>(e).handle, c.argument);
    }
}

INSTANTIATE_TEST_SUITE_P(Cadsim, ParseCommand, ::testing::ValuesIn(parseCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FindCase {
    const char* name;
    std::u16string fileName;
    std::u16string supportPath;
    std::set<std::u16string> files;
    std::optional<std::u16string> found;
};

class FindSupportFile : public ::testing::TestWithParam<FindCase> {};

const FindCase findCases[] = {
    {"FirstFolderThatHoldsIt", u"tr.fas", u"/a;/b;/c", {u"/b/tr.fas", u"/c/tr.fas"}, u"/b/tr.fas"},
    {"InNoFolder", u"tr.fas", u"/a;/b", {u"/x/tr.fas"}, std::nullopt},
    {"EmptySupportPath", u"tr.fas", u"", {u"tr.fas"}, std::nullopt},
    {"EmptyElementsSkipped", u"tr.fas", u";;/b;", {u"/tr.fas", u"/b/tr.fas"}, u"/b/tr.fas"},
    {"FolderWithTrailingSeparator", u"tr.fas", u"/a/", {u"/a/tr.fas"}, u"/a/tr.fas"},
    {"WindowsFolderWithTrailingBackslash", u"tr.fas", u"C:\\A\\", {u"C:\\A\\tr.fas"}, u"C:\\A\\tr.fas"},
    {"WindowsFolder", u"tr.fas", u"C:\\A", {u"C:\\A\\tr.fas"}, u"C:\\A\\tr.fas"},
    {"AbsoluteNameAsGiven", u"/opt/tr.fas", u"/a", {u"/opt/tr.fas", u"/a//opt/tr.fas"}, u"/opt/tr.fas"},
    {"AbsoluteWindowsName", u"D:\\Tools\\tr.fas", u"", {u"D:\\Tools\\tr.fas"}, u"D:\\Tools\\tr.fas"},
    {"NameWithoutExtension", u"tr", u"/a", {u"/a/tr.fas"}, u"/a/tr.fas"},
    {"CaseMatters", u"TR.FAS", u"/a", {u"/a/tr.fas"}, std::nullopt},
};

TEST_P(FindSupportFile, LooksInTheSupportFoldersInOrder)
{
    const FindCase& c = GetParam();
    const auto exists = [&](const std::u16string& path) { return c.files.contains(path); };
    EXPECT_EQ(findSupportFile(c.fileName, c.supportPath, exists), c.found);
}

INSTANTIATE_TEST_SUITE_P(Cadsim, FindSupportFile, ::testing::ValuesIn(findCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
