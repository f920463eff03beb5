#pragma once

#include <string>
#include <string_view>

namespace automation::remote {

// Where running objects register. The user's runtime folder ($XDG_RUNTIME_DIR),
// or, where the session has none, a folder of our own under /tmp that only the
// user may enter. Empty when no safe folder can be had (a /tmp entry of that
// name that belongs to someone else, or is no folder).
std::string runtimeFolder();

// The socket file's name for a ProgID: "vedoris-automation-" and the ProgID in
// lower case, since ProgIDs are compared without regard to case. Characters a
// file name should not carry become "_".
std::string socketNameFor(std::u16string_view progId);

// runtimeFolder() + "/" + socketNameFor(progId); empty without a folder.
std::string socketPathFor(std::u16string_view progId);

} // namespace automation::remote
