#include "DxfReader.h"

#include "DxfGroupReader.h"
#include "DxfText.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace cadsim {

namespace {

constexpr int16_t minI16 = -32768;
constexpr int16_t maxI16 = 32767;

class Reader {
public:
    Reader(std::string_view content, std::u16string name) : m_groups(content), m_drawing(std::move(name)) {}

    Drawing read()
    {
        DxfGroup g;
        while (m_groups.next(g)) {
            if (g.code != 0)
                continue; // a stray group between records: nothing to hang it on
            const std::string_view type = g.trimmed();
            if (type == "EOF")
                break;
            if (type != "SECTION")
                continue;
            if (m_groups.peekCode() != 2)
                continue; // a section without a name: its records are skipped one by one
            m_groups.next(g);
            const std::string_view section = g.trimmed();
            if (section == "HEADER")
                readHeader();
            else if (section == "TABLES")
                readTables();
            else if (section == "ENTITIES")
                readEntities();
            else
                skipSection(); // CLASSES, BLOCKS, OBJECTS, ACDSDATA, THUMBNAILIMAGE...
        }
        return std::move(m_drawing);
    }

private:
    // The groups of one record: everything up to the next group code 0.
    std::vector<DxfGroup> recordBody()
    {
        std::vector<DxfGroup> body;
        DxfGroup g;
        while (m_groups.peekCode() > 0 || (m_groups.peekCode() < 0 && false)) {
            m_groups.next(g);
            body.push_back(g);
        }
        // Negative codes (-1 .. -5) are application-defined and belong to the record too.
        while (m_groups.peekCode() != 0 && m_groups.peekCode() != -1) {
            m_groups.next(g);
            body.push_back(g);
            while (m_groups.peekCode() > 0) {
                m_groups.next(g);
                body.push_back(g);
            }
        }
        return body;
    }

    // Reads records until ENDSEC, handing each (type and body) to `take`.
    template <typename Take>
    void forEachRecord(Take take)
    {
        DxfGroup g;
        while (m_groups.peekCode() != -1 || false) {
            if (!m_groups.next(g))
                return;
            if (g.code != 0)
                continue;
            const std::string_view type = g.trimmed();
            if (type == "ENDSEC" || type == "EOF")
                return;
            take(g, recordBody());
        }
    }

    void skipSection()
    {
        forEachRecord([](const DxfGroup&, const std::vector<DxfGroup>&) {});
    }

    void readHeader()
    {
        std::string_view version;
        std::string_view codePage;
        std::string_view variable;
        // The header is one record: variables (group 9) with their values.
        forEachRecord([](const DxfGroup&, const std::vector<DxfGroup>&) {});
        (void)variable;
        (void)version;
        (void)codePage;
    }

    void readTables() {}
    void readEntities() {}

    DxfGroupReader m_groups;
    Drawing m_drawing;
    DxfEncoding m_encoding;
};

} // namespace

Drawing readDxf(std::string_view content, std::u16string name)
{
    return Reader(content, std::move(name)).read();
}

} // namespace cadsim
