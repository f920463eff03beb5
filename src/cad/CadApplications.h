#pragma once

#include "platform/automation/Dispatch.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The CAD applications the program attaches to, in the order it looks for
// them: AutoCAD first, then the CADs that open the same drawings and carry an
// automation model shaped like AutoCAD's. Only here does the program know
// which CAD it talks to; what differs between them is the ProgIDs their
// running instance is registered under and the name of the query whether
// they are idle (AutoCAD's GetAcadState). The rest of the model is AutoCAD's.
struct CadApplication {
    std::u16string name;
    // The version-independent ProgID first, then those of single releases,
    // newest first.
    std::vector<std::u16string> progIds;
    // The idle query's names, in the order tried: a type library of one
    // release may call it other than the next.
    std::vector<std::u16string> idleQueries;
    // Its dispatch identifier, for a release whose name for it is none of
    // those; none for AutoCAD, whose name is fixed.
    std::optional<int32_t> idleQueryId;
    // The class by which the CAD opens a drawing as a database without a
    // document (no window, no regeneration), as a ProgID less its release:
    // the CAD's major release number follows. Empty where the CAD names none.
    std::u16string drawingReader = {};
};

// The ProgID of the CAD's reader of drawings without the editor, for the
// release its Version text tells ("24.1s (LMS Tech)" is release 24); none
// where the CAD names no reader or the version tells no release.
std::optional<std::u16string> DrawingReaderProgId(const CadApplication& cad, const QString& version);

const std::vector<CadApplication>& CadApplications();

// The running instance of the first CAD of the list that runs, with which
// one it is; nothing when none runs. A failure of the lookup itself (a
// broken registration, say) counts as that ProgID not running; a CAD that
// runs but does not answer the lookup raises its LinkFailure.
struct RunningCad {
    automation::DispatchRef application;
    const CadApplication* cad = nullptr;
};
std::optional<RunningCad> FindRunningCad();
