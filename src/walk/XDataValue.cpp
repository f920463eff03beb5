#include "walk/XDataValue.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"

#include <string>

namespace walk {

using automation::Variant;

Variant xdataValue(const Variant& entity, std::u16string_view application, int32_t groupCode)
{
    try {
        // GetXData answers in two parallel arrays, group codes and values,
        // written into the by-reference arguments; both stay Empty when the
        // entity has no data for the application.
        Variant codes;
        Variant values;
        automation::call(entity, u"GetXData", Variant::bstr(std::u16string(application)),
                         automation::Arg::ref(codes), automation::Arg::ref(values));
        if (codes.isEmpty())
            return Variant::null();

        // The walk runs from index 0 to the upper bound whatever the lower
        // bound says, and reads the value array at the same index; an index
        // either array lacks fails, and so gives Null.
        Variant found = Variant::null();
        const int32_t upper = codes.upperBound();
        for (int32_t i = 0; i <= upper; ++i) {
            if (codes.at(i).toI4() == groupCode)
                found = values.at(i);
        }
        return found;
    } catch (const automation::AutomationError&) {
        // Whatever the entity answers, the reader's answer is Null: a value
        // that cannot be found is as good as none to every caller. A link
        // that failed is no answer of the entity's and passes.
        return Variant::null();
    }
}

} // namespace walk
