#pragma once

#include "cadsim/model/ModelObject.h"

namespace cadsim {

// An object of one drawing, holding the drawing it belongs to: a document
// and the collections it hands out, or the collections of a drawing a
// drawing reader opened. Each collection answers Count and Item
// (automation::Members::collection). Once the document is closed, every
// member fails.
class DocumentPart : public ModelObject {
protected:
    DocumentPart(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document, ObjectKind kind,
                 const MemberTable& members)
        : ModelObject(std::move(state), kind, members), m_document(std::move(document))
    {
    }

    void checkUsable() const override { m_document->requireOpen(); }

    DocumentData& document() const { return *m_document; }
    const std::shared_ptr<DocumentData>& sharedDocument() const { return m_document; }

private:
    std::shared_ptr<DocumentData> m_document;
};

// The entities of model space, by 0-based index.
class ModelSpace final : public DocumentPart {
public:
    ModelSpace(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document);

private:
    static const MemberTable& members();
};

// The layer table, by 0-based index or by name.
class Layers final : public DocumentPart {
public:
    Layers(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document);

private:
    static const MemberTable& members();
};

// The pickfirst selection: the entities shown as selected.
class SelectionSet final : public DocumentPart {
public:
    SelectionSet(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document);

private:
    static const MemberTable& members();
};

} // namespace cadsim
