#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace cadsim {

// One group of an ASCII DXF file: the group code line and the value line.
struct DxfGroup {
    int code = 0;
    std::string_view value; // without the line end
    int line = 0;           // the line of the group code

    int valueLine() const { return line + 1; }
    // The value as a number of the kind its group code calls for. A value
    // that is not such a number is a DxfError naming the value's line.
    double real() const;
    int32_t integer(int32_t minimum, int32_t maximum) const;
    // The value without the blanks some writers pad it with.
    std::string_view trimmed() const;
};

// Splits an ASCII DXF file into groups. Lines end in LF or CR LF; a UTF-8 byte
// order mark is skipped. A group code that is not a number, and a group code
// on the last line with no value after it, are DxfErrors naming the line.
class DxfGroupReader {
public:
    explicit DxfGroupReader(std::string_view content);

    // The next group; false at the end of the content (blank lines there
    // included).
    bool next(DxfGroup& group);
    // The code of the group next() would give; nothing at the end.
    std::optional<int> peekCode();

private:
    bool readLine(std::string_view& line);
    bool fill();

    std::string_view m_content;
    size_t m_pos = 0;
    int m_line = 0;
    bool m_peeked = false;
    bool m_peekValid = false;
    DxfGroup m_peek;
};

} // namespace cadsim
