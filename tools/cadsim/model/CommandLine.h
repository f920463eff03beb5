#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace cadsim {

// The command-line texts the simulator understands. Everything else is taken
// as input it does not act on.
struct LoadExpression {
    std::u16string fileName; // (load "name")
};
struct SelectExpression {
    std::u16string handle; // (sssetfirst nil (ssadd (handent "H")))
};
using CommandExpression = std::variant<std::monostate, LoadExpression, SelectExpression>;

// Recognises the two expressions in exactly the shape a program sends them.
// Trailing blanks and line ends are the Enter that sends the line and are
// ignored. The quoted text follows LISP's escapes (\\ and \").
CommandExpression parseCommand(std::u16string_view text);

using FileExists = std::function<bool(const std::u16string& path)>;

// Finds a file to load the way the CAD's load function does: an absolute name
// as given, otherwise in each folder of the ";"-separated support path, in
// order. A name without an extension is also tried with .vlx, .fas and .lsp.
std::optional<std::u16string> findSupportFile(std::u16string_view fileName,
                                              std::u16string_view supportPath,
                                              const FileExists& exists);

// The file test used unless a host or a test sets its own.
bool regularFileExists(const std::u16string& path);

} // namespace cadsim
