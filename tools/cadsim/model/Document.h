#pragma once

#include "cadsim/model/DocumentCollections.h"

namespace cadsim {

// One open drawing: model space, layers, system variables, the command line
// and the pickfirst selection.
class Document final : public DocumentPart {
public:
    Document(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document);

private:
    static const MemberTable& members();
    automation::Variant getVariable(const std::u16string& name) const;
    void setVariable(const std::u16string& name, const automation::Variant& value);
    void sendCommand(const std::u16string& text);
};

} // namespace cadsim
