#pragma once

#include "platform/automation/Dispatch.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace cadsim {

struct SimulatorState;

// Where the class of an interface object lives, as the CAD's registry knows
// it: the library's file, and how to make an object of it in this process.
struct InterfaceObjectLibrary {
    std::u16string path;
    std::function<automation::DispatchRef()> create;
};

// Finds the library of a ProgID, or nothing for a class it does not know.
using InterfaceObjectSource = std::function<std::optional<InterfaceObjectLibrary>(const std::u16string& progId)>;

// Application.GetInterfaceObject(progId), with the CAD's model locked: the
// class's library is loaded into the CAD's process, where its object calls
// the CAD's objects directly, and the object handed to the caller.
//
// The CAD loads code only from folders it trusts (TRUSTEDPATHS, with the
// "\..." rule, and its own program folder), as SECURELOAD says (a CAD
// without that variable loads as at 0): 0 loads from
// anywhere; 2 refuses any other folder; 1 asks its user first, and this
// simulator, whose user never answers, records the question (loadQuestions,
// and a line "asked its user whether to load <file>") and refuses. With
// interface objects switched off it refuses every class, as a CAD whose
// security settings block the load. Every refusal is "Problem in loading
// application", E_FAIL. The CAD's own drawing reader is none of these
// classes: it is built into the CAD (drawingReaderFor).
automation::Variant getInterfaceObject(const std::shared_ptr<SimulatorState>& state, const std::u16string& progId);

// Whether the CAD trusts the folder for loading code.
bool trustsFolder(const SimulatorState& state, const std::u16string& folder);

} // namespace cadsim
