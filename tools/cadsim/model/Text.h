#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cadsim {

// Letter-case folding for the names the CAD compares without regard to case
// (layers, registered applications, system variables, handles). Folds Latin
// and Cyrillic capitals, which covers the names met in these drawings.
std::u16string foldCase(std::u16string_view text);
bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b);
bool endsWithIgnoringCase(std::u16string_view text, std::u16string_view end);

// Splits a ";"-separated folder list; empty elements are dropped.
std::vector<std::u16string> splitFolderList(std::u16string_view list);

// An element of a folder list as the CAD reads it: blanks around it and a
// pair of double quotes dropped, %NAME% of a set environment variable
// replaced by its value.
std::u16string folderOfListElement(std::u16string_view element);

} // namespace cadsim
