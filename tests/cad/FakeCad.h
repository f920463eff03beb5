#pragma once

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/MemberTable.h"
#include "platform/automation/ObjectRegistry.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

// A small automation object whose members a test defines, each object a
// member table of its own, and which fails on purpose: every member named in
// `failing` answers with an error (the CAD's own answer, an AutomationError),
// every member named in `refusing` gets no answer (the refusal of a CAD busy
// for longer than a call waits, a LinkFailure). Every call is written to a
// shared log as "<object>.<member>".
class FakeObject : public automation::Dispatch {
public:
    using Handler = std::function<automation::Variant(automation::InvokeKind kind, automation::Args args)>;

    FakeObject(QString name, QStringList* log) : m_name(std::move(name)), m_log(log) {}

    // The member answers whatever kind of call it gets.
    void define(std::u16string_view name, Handler handler);

    automation::Variant invoke(std::u16string_view member, automation::InvokeKind kind,
                               automation::Args args) override;

    std::set<std::u16string> failing;
    std::set<std::u16string> refusing;

private:
    QString m_name;
    QStringList* m_log;
    automation::MemberTable m_members;
};

// A CAD application made of FakeObjects: application, documents, one
// document with its layers and model space, preferences, state object and
// pickfirst selection set. Its data are plain fields the test sets and reads.
struct FakeLayerData {
    QString name;
    bool lock = false;
    bool freeze = false;
    bool on = true;
};

struct FakeCad {
    FakeCad();
    ~FakeCad();

    // Registers the application as the running "AutoCAD.Application".
    [[nodiscard]] automation::Registration registerRunning();

    // Entities of model space; each is its own FakeObject.
    std::shared_ptr<FakeObject> addEntity(automation::Variant objectId, QString handle);

    QStringList log;

    std::shared_ptr<FakeObject> application;
    std::shared_ptr<FakeObject> documents;
    std::shared_ptr<FakeObject> document;
    std::shared_ptr<FakeObject> addedDocument;
    std::shared_ptr<FakeObject> modelSpace;
    std::shared_ptr<FakeObject> layers;
    std::shared_ptr<FakeObject> preferences;
    std::shared_ptr<FakeObject> files;
    std::shared_ptr<FakeObject> state;
    std::shared_ptr<FakeObject> pickfirst;
    std::vector<std::shared_ptr<FakeObject>> layerObjects;
    std::vector<std::shared_ptr<FakeObject>> entities;

    std::vector<FakeLayerData> layerData;
    automation::Variant layerCount; // Empty: the size of layerData, as I4
    QString version = QStringLiteral("19.1s (LMS Tech)");
    QString supportPath;
    QString trustedPaths;
    QString caption = QStringLiteral("AutoCAD 2014 - [Drawing1.dwg]");
    int busyPolls = 0; // IsQuiescent answers false this many times first
    int busyPollsAfterCommand = 0; // ... and this many times after each SendCommand
    int pollsBeforeCommand = -1;   // the polls made before the last SendCommand
    int polls = 0;
    int pickfirstCount = 0;
    int pickfirstClears = 0;
    QStringList addArguments;       // arguments of Documents.Add
    QStringList sentCommands;       // texts of SendCommand
    bool sendCommandByRef = true;   // every SendCommand text came by reference
    QStringList supportPathWrites;
    QStringList trustedPathWrites;

    void setLayers(int count);

private:
    std::shared_ptr<FakeObject> layerObject(int index);
};

// The error a member in `failing` answers with.
automation::AutomationError answeredWithError();
