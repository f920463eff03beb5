#pragma once

#include <stdexcept>
#include <string>

namespace cadsim {

// A DXF file that cannot be read, with the line (counted from 1) where the
// reader found the fault; 0 when the fault is not in a line (the file cannot
// be opened). what() is "line N: message".
class DxfError : public std::runtime_error {
public:
    DxfError(int line, const std::string& message)
        : std::runtime_error(line > 0 ? "line " + std::to_string(line) + ": " + message : message), m_line(line)
    {
    }

    int line() const noexcept { return m_line; }

private:
    int m_line;
};

} // namespace cadsim
