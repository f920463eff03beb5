#include "cadsim/app/DxfReader.h"

#include "cadsim/app/DxfGroupReader.h"
#include "cadsim/app/DxfText.h"

#include "platform/automation/Utf8.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace cadsim {

namespace {

using Body = std::vector<DxfGroup>;

constexpr int32_t minI16 = -32768;
constexpr int32_t maxI16 = 32767;

// Records that belong to the entity before them rather than to model space:
// a polyline's vertices, a block reference's attributes, the end markers.
bool isSubEntity(std::string_view type)
{
    return type == "VERTEX" || type == "SEQEND" || type == "ATTRIB";
}

class Reader {
public:
    Reader(std::string_view content, std::u16string name, std::string* assumption)
        : m_groups(content), m_drawing(std::move(name)), m_assumption(assumption)
    {
    }

    Drawing read()
    {
        DxfGroup g;
        while (!m_ended && m_groups.next(g)) {
            if (g.code != 0)
                continue; // a stray group outside any record
            const std::string_view type = g.trimmed();
            if (type == "EOF")
                break;
            const Body head = body();
            if (type == "SECTION")
                readSection(head);
        }
        return std::move(m_drawing);
    }

private:
    // The groups after a record's group 0, up to the next group 0.
    Body body()
    {
        Body groups;
        DxfGroup g;
        while (true) {
            const auto code = m_groups.peekCode();
            if (!code || *code == 0)
                break;
            m_groups.next(g);
            groups.push_back(g);
        }
        return groups;
    }

    static const DxfGroup* find(const Body& groups, int code)
    {
        for (const DxfGroup& g : groups)
            if (g.code == code)
                return &g;
        return nullptr;
    }

    void readSection(const Body& head)
    {
        const DxfGroup* nameGroup = find(head, 2);
        const std::string_view name = nameGroup ? nameGroup->trimmed() : std::string_view();
        if (name == "HEADER")
            readHeader(head);
        m_table = {};

        DxfGroup g;
        while (m_groups.next(g)) {
            const std::string_view type = g.trimmed();
            if (type == "ENDSEC")
                return;
            if (type == "EOF") {
                m_ended = true;
                return;
            }
            const Body record = body();
            // BLOCKS, OBJECTS, CLASSES and the rest are not part of the model.
            if (name == "TABLES")
                tableRecord(g, record);
            else if (name == "ENTITIES")
                entityRecord(g, record);
        }
    }

    // The header is one run of variables (group 9) each followed by its values.
    void readHeader(const Body& head)
    {
        std::string_view variable;
        std::string_view version;
        std::string_view codePage;
        for (const DxfGroup& g : head) {
            if (g.code == 9)
                variable = g.trimmed();
            else if (variable == "$ACADVER" && g.code == 1)
                version = g.trimmed();
            else if (variable == "$DWGCODEPAGE" && g.code == 3)
                codePage = g.trimmed();
            else if (variable == "$FINGERPRINTGUID" && g.code == 2)
                m_drawing.setFingerprint(fingerprint(g.trimmed()));
        }
        if (version.empty() && codePage.empty())
            return;
        m_encoding.kind = storesUtf8(version) ? DxfEncoding::Kind::Utf8 : DxfEncoding::Kind::CodePage;
        const CodePage* named = findCodePage(codePage);
        m_encoding.codePage = named ? named : &defaultCodePage();
        // A drawing whose texts need a code page it does not give is read in
        // the Western page, and whoever opened it is told.
        if (!m_assumption || named)
            return;
        const std::string fallback(defaultCodePage().dxfName);
        if (!codePage.empty())
            *m_assumption = "The drawing's code page " + std::string(codePage.substr(0, 64))
                + " is unknown; its texts are read as " + fallback + ".";
        else if (m_encoding.kind == DxfEncoding::Kind::CodePage)
            *m_assumption = "The drawing names no code page; its texts are read as " + fallback + ".";
    }

    std::u16string text(const DxfGroup& g) const { return decodeDxfText(g.value, m_encoding); }

    // A GUID is plain ASCII whatever the code page; a value that is not one
    // (too long, other characters) leaves the drawing without an identity.
    static std::u16string fingerprint(std::string_view value)
    {
        constexpr size_t maxLength = 64;
        if (value.size() > maxLength)
            return {};
        for (char c : value) {
            const bool allowed = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')
                                 || c == '{' || c == '}' || c == '-';
            if (!allowed)
                return {};
        }
        return ascii(value);
    }

    static std::u16string ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

    void tableRecord(const DxfGroup& start, const Body& record)
    {
        const std::string_view type = start.trimmed();
        if (type == "TABLE") {
            const DxfGroup* name = find(record, 2);
            m_table = name ? name->trimmed() : std::string_view();
            return;
        }
        if (type == "ENDTAB") {
            m_table = {};
            return;
        }
        if (m_table != "LAYER" || type != "LAYER")
            return;

        Layer layer;
        int32_t flags = 0;
        int32_t colour = 7;
        bool named = false;
        for (const DxfGroup& g : record) {
            switch (g.code) {
            case 2:
                layer.name = text(g);
                named = true;
                break;
            case 70: flags = g.integer(minI16, maxI16); break;
            case 62: colour = g.integer(minI16, maxI16); break;
            default: break;
            }
        }
        if (!named)
            return;
        layer.frozen = (flags & 1) != 0;
        layer.locked = (flags & 4) != 0;
        layer.on = colour >= 0;
        m_drawing.addLayer(std::move(layer));
    }

    void entityRecord(const DxfGroup& start, const Body& record)
    {
        const std::string_view type = start.trimmed();
        if (isSubEntity(type))
            return;

        Entity entity;
        entity.dxfName = ascii(type);
        bool paperSpace = false;
        bool inGroup = false; // inside a 102 "{APPLICATION ... }" group
        for (size_t i = 0; i < record.size(); ++i) {
            const DxfGroup& g = record[i];
            if (g.code == 102) {
                const std::string_view v = g.trimmed();
                inGroup = !v.empty() && v.front() == '{';
                continue;
            }
            if (inGroup)
                continue;
            if (g.code >= 1000) {
                i = extendedData(record, i, entity);
                continue;
            }
            switch (g.code) {
            case 5: entity.handle = ascii(g.trimmed()); break;
            case 8: entity.layer = text(g); break;
            case 67: paperSpace = g.integer(minI16, maxI16) == 1; break;
            default: break; // geometry, ACIS data, subclass markers, owners...
            }
        }
        if (paperSpace)
            return;
        try {
            m_drawing.addEntity(std::move(entity));
        } catch (const std::invalid_argument& e) {
            throw DxfError(start.line, "the " + std::string(type) + " entity cannot be added: " + e.what());
        }
    }

    // One item of extended data at record[i]; returns the index of its last group.
    size_t extendedData(const Body& record, size_t i, Entity& entity)
    {
        const DxfGroup& g = record[i];
        if (g.code == 1001) {
            entity.xdata.push_back(XDataGroup{text(g), {}});
            return i;
        }
        if (entity.xdata.empty())
            return i; // data before any application name belongs to nobody
        auto& items = entity.xdata.back().items;
        const auto code = static_cast<int16_t>(g.code);
        switch (g.code) {
        case 1000: // string
        case 1002: // control string "{" or "}"
        case 1003: // layer name
        case 1004: // binary chunk, kept as its hexadecimal text
        case 1005: // database handle
            items.push_back(XDataItem::text(code, text(g)));
            break;
        case 1010: // point, world position, displacement, direction
        case 1011:
        case 1012:
        case 1013: {
            // A point is three groups: X here, then Y (code + 10) and Z (code + 20).
            const double x = g.real();
            double y = 0;
            double z = 0;
            if (i + 1 < record.size() && record[i + 1].code == g.code + 10)
                y = record[++i].real();
            if (i + 1 < record.size() && record[i + 1].code == g.code + 20)
                z = record[++i].real();
            items.push_back(XDataItem::point(code, x, y, z));
            break;
        }
        case 1040: // real, distance, scale factor
        case 1041:
        case 1042: items.push_back(XDataItem::real(code, g.real())); break;
        case 1070: items.push_back(XDataItem::int16(code, static_cast<int16_t>(g.integer(minI16, maxI16)))); break;
        case 1071: items.push_back(XDataItem::int32(code, g.integer(INT32_MIN, INT32_MAX))); break;
        default: break; // a code this reader does not know
        }
        return i;
    }

    DxfGroupReader m_groups;
    Drawing m_drawing;
    DxfEncoding m_encoding;
    std::string* m_assumption;
    std::string_view m_table;
    bool m_ended = false;
};

std::u16string fileName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // File names on this system are UTF-8.
    return decodeDxfText(name, DxfEncoding{DxfEncoding::Kind::Utf8});
}

} // namespace

Drawing readDxf(std::string_view content, std::u16string name, std::string* assumption)
{
    return Reader(content, std::move(name), assumption).read();
}

Drawing readDxfFile(const std::u16string& path, std::string* assumption)
{
    const std::filesystem::path native(path);
    std::ifstream file(native, std::ios::binary);
    if (!file)
        throw DxfError(0, "cannot open " + automation::toUtf8(path));
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw DxfError(0, "cannot read " + automation::toUtf8(path));
    return readDxf(content, native.filename().u16string(), assumption);
}

Drawing readDxfFile(const std::string& path, std::string* assumption)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw DxfError(0, "cannot open " + path);
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw DxfError(0, "cannot read " + path);
    return readDxf(content, fileName(path), assumption);
}

} // namespace cadsim
