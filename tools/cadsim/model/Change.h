#pragma once

#include <cstdint>
#include <functional>

namespace cadsim {

// What a change notification is about. A window redraws on Drawing and
// Selection; a program that keeps the CAD profile saves on Settings.
enum class Change : uint8_t {
    Drawing,   // entities or layers of a document changed
    Selection, // the pickfirst selection of a document changed
    Documents, // a document was added, closed or made active
    Settings,  // SupportPath or TRUSTEDPATHS changed
    Commands,  // a command text was received
    Questions, // the CAD asked its user whether to load a library
};

// Called after the change, on the thread that made it, with the model's lock
// released: an observer may read the model, but a window must hand the work
// over to its own thread.
using ChangeObserver = std::function<void(Change)>;

} // namespace cadsim
