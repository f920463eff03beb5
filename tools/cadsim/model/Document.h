#pragma once

#include "cadsim/model/ModelObject.h"

namespace cadsim {

// One open drawing: model space, layers, system variables, the command line
// and the pickfirst selection.
class Document : public ModelObject {
public:
    Document(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document);

private:
    static const MemberTable& members();
    automation::Variant getVariable(const std::u16string& name) const;
    void setVariable(const std::u16string& name, const automation::Variant& value);
    void sendCommand(const std::u16string& text);

    std::shared_ptr<DocumentData> m_document;
};

} // namespace cadsim
