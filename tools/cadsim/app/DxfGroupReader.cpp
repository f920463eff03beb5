#include "cadsim/app/DxfGroupReader.h"

#include "cadsim/app/DxfError.h"

#include <charconv>
#include <string>

namespace cadsim {

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string quoted(std::string_view s)
{
    constexpr size_t shown = 40;
    std::string out = "'";
    out += s.substr(0, shown);
    if (s.size() > shown)
        out += "...";
    return out + "'";
}

} // namespace

std::string_view DxfGroup::trimmed() const { return trim(value); }

double DxfGroup::real() const
{
    std::string_view s = trimmed();
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1); // from_chars takes no plus sign; some writers put one
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        throw DxfError(valueLine(), "the value " + quoted(value) + " of group " + std::to_string(code)
                                        + " is not a number");
    return v;
}

int32_t DxfGroup::integer(int32_t minimum, int32_t maximum) const
{
    std::string_view s = trimmed();
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        throw DxfError(valueLine(), "the value " + quoted(value) + " of group " + std::to_string(code)
                                        + " is not an integer");
    if (v < minimum || v > maximum)
        throw DxfError(valueLine(), "the value " + quoted(value) + " of group " + std::to_string(code)
                                        + " is out of range");
    return static_cast<int32_t>(v);
}

DxfGroupReader::DxfGroupReader(std::string_view content) : m_content(content)
{
    if (m_content.starts_with("\xEF\xBB\xBF"))
        m_pos = 3;
    if (m_content.starts_with("AutoCAD Binary DXF"))
        throw DxfError(1, "binary DXF files are not supported; save the drawing as ASCII DXF");
}

bool DxfGroupReader::readLine(std::string_view& line)
{
    if (m_pos >= m_content.size())
        return false;
    const size_t end = m_content.find('\n', m_pos);
    const size_t stop = end == std::string_view::npos ? m_content.size() : end;
    line = m_content.substr(m_pos, stop - m_pos);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    m_pos = end == std::string_view::npos ? m_content.size() : end + 1;
    ++m_line;
    return true;
}

bool DxfGroupReader::fill()
{
    // Blank lines after the last group are no group: editors leave them.
    if (m_content.find_first_not_of(" \t\r\n", m_pos) == std::string_view::npos) {
        m_pos = m_content.size();
        return false;
    }
    std::string_view codeLine;
    readLine(codeLine);
    const int line = m_line;
    const std::string_view code = trim(codeLine);
    int value = 0;
    const auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), value);
    if (code.empty() || ec != std::errc() || end != code.data() + code.size())
        throw DxfError(line, "the group code " + quoted(codeLine) + " is not a number");
    m_peek.code = value;
    m_peek.line = line;
    if (!readLine(m_peek.value))
        throw DxfError(line, "the group code " + std::to_string(value)
                                 + " has no value: the file ends (an odd number of lines)");
    return true;
}

bool DxfGroupReader::next(DxfGroup& group)
{
    if (!m_peeked)
        m_peekValid = fill();
    m_peeked = false;
    if (m_peekValid)
        group = m_peek;
    return m_peekValid;
}

std::optional<int> DxfGroupReader::peekCode()
{
    if (!m_peeked) {
        m_peekValid = fill();
        m_peeked = true;
    }
    return m_peekValid ? std::optional<int>(m_peek.code) : std::nullopt;
}

} // namespace cadsim
