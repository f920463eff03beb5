#pragma once

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

#include <string>

namespace sheet {

// A failure the spreadsheet itself raises (its run-time error 1004 reaches a
// client as DISP_E_EXCEPTION with a description).
[[noreturn]] inline void refuse(std::u16string description)
{
    throw automation::AutomationError(automation::hr::Disp_E_Exception, std::move(description), u"Excel.Sheet");
}

} // namespace sheet
