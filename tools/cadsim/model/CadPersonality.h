#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cadsim {

// The CAD the simulator plays. The CADs that open AutoCAD's drawings carry an
// automation model shaped like AutoCAD's; what a client meets that differs is
// the ProgIDs their running instance is found by, the name of the query
// whether they are idle, their caption and version, and whether their LISP
// loads a compiled .fas file.
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
};

const std::vector<CadPersonality>& cadPersonalities();
// The personality of that key, or nullptr.
const CadPersonality* findCadPersonality(std::u16string_view key);
// AutoCAD, which the simulator plays unless told otherwise.
const CadPersonality& autocadPersonality();

} // namespace cadsim
