#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cadsim {

// The CAD the simulator plays. The CADs that open AutoCAD's drawings carry an
// automation model shaped like AutoCAD's; what a client meets that differs is
// the ProgIDs their running instance is found by, the name of the query
// whether they are idle, their caption and version, and whether their LISP
// loads a compiled .fas file, and the class, if any, that opens a drawing
// without the editor.
struct CadPersonality {
    std::u16string key;     // the --as option's value: "autocad", "nanocad", ...
    std::u16string product; // the caption's first part: "ZWCAD 2026"
    // Version-independent first; the running object is found by each.
    std::vector<std::u16string> progIds;
    // The class the ProgIDs are registered with on Windows.
    std::u16string classId;
    // The idle query's name; a lookup of any other name for it fails.
    std::u16string idleQuery;
    std::u16string version;
    // A CAD whose LISP does not load .fas files prints its error for one and
    // runs the command to its end: SendCommand succeeds.
    bool loadsFas = true;
    // The class of its drawing reader, a drawing database without a document
    // that GetInterfaceObject hands out, named without its release
    // ("ObjectDBX.AxDbDocument"); empty for a CAD that names none.
    std::u16string drawingReaderClass = {};
    // The dispatch identifier its type library gives IsQuiescent, the member
    // of what the idle query answers (AutoCAD 2, nanoCAD 1): served under COM
    // with that identifier. None where it is not known.
    std::optional<int32_t> isQuiescentId = {};
};

const std::vector<CadPersonality>& cadPersonalities();
// The personality of that key, or nullptr.
const CadPersonality* findCadPersonality(std::u16string_view key);
// AutoCAD, which the simulator plays unless told otherwise.
const CadPersonality& autocadPersonality();

// The ProgID of the CAD's drawing reader in the release whose Version text
// is `version`: the class and the major release, the version's leading
// number ("ObjectDBX.AxDbDocument.24" for "24.1s (LMS Tech)", and
// "ObjectDBX.ZxDbDocument.2026" for ZWCAD's "2026"). Nothing for a CAD
// without a reader, or a version that starts with no number.
std::optional<std::u16string> drawingReaderProgId(const CadPersonality& personality, std::u16string_view version);

} // namespace cadsim
