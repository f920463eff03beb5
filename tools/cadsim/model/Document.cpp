#include "cadsim/model/Document.h"

#include "cadsim/model/CommandLine.h"
#include "cadsim/model/EntityObject.h"
#include "cadsim/model/Text.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

#include <algorithm>

namespace cadsim {

using automation::Args;
using automation::AutomationError;
using automation::Variant;
namespace hr = automation::hr;

Document::Document(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document)
    : DocumentPart(std::move(state), std::move(document), ObjectKind::Document, members())
{
}

const ModelObject::MemberTable& Document::members()
{
    static const Members<Document> table =
        Members<Document>()
            .property(u"Name", [](Document& o) { return Variant::bstr(o.document().drawing.name()); })
            // The file it was opened from; empty for a drawing never saved.
            .property(u"FullName", [](Document& o) { return Variant::bstr(o.document().fullName); })
            .property(u"ReadOnly", [](Document& o) { return Variant::boolean(o.document().readOnly); })
            .method(u"Activate", 0, 0,
                    [](Document& o, Args) {
                        o.state().activate(o.sharedDocument());
                        return Variant();
                    })
            // Close([SaveChanges[, FileName]]) closes exactly this document.
            // The simulator never writes a drawing, whatever it is told:
            // what it was told is recorded for tests.
            .method(u"Close", 0, 2,
                    [](Document& o, Args a) {
                        const DocumentData& closing = o.document();
                        o.state().closedDocuments.push_back(
                            {closing.fullName, a.empty() ? Variant::omitted() : a[0].value()});
                        o.state().closeDocument(o.sharedDocument());
                        return Variant();
                    })
            .property(u"ModelSpace",
                      [](Document& o) {
                          return Variant::dispatch(std::make_shared<ModelSpace>(o.sharedState(), o.sharedDocument()));
                      })
            .property(u"Layers",
                      [](Document& o) {
                          return Variant::dispatch(std::make_shared<Layers>(o.sharedState(), o.sharedDocument()));
                      })
            .property(u"PickfirstSelectionSet",
                      [](Document& o) {
                          return Variant::dispatch(std::make_shared<SelectionSet>(o.sharedState(), o.sharedDocument()));
                      })
            .method(u"HandleToObject", 1, 1,
                    [](Document& o, Args a) {
                        return EntityObject::byHandle(o.sharedState(), o.sharedDocument(), args::text(a[0]));
                    })
            .method(u"GetVariable", 1, 1, [](Document& o, Args a) { return o.getVariable(args::text(a[0])); })
            .method(u"SetVariable", 2, 2,
                    [](Document& o, Args a) {
                        o.setVariable(args::text(a[0]), a[1].value());
                        return Variant();
                    })
            // The text may come by reference; whatever a CAD would write back
            // into it is nothing here.
            .method(u"SendCommand", 1, 1, [](Document& o, Args a) {
                o.sendCommand(args::text(a[0]));
                return Variant();
            });
    return table;
}

// Only the variables the simulator has a use for exist; asking for any other
// fails as it does for a name the CAD does not know.
Variant Document::getVariable(const std::u16string& name) const
{
    state().requireVariable(name, u"Error getting system variable");
    if (equalsIgnoringCase(name, u"TRUSTEDPATHS"))
        return Variant::bstr(state().trustedPaths);
    if (equalsIgnoringCase(name, u"DWGNAME"))
        return Variant::bstr(document().drawing.name());
    if (equalsIgnoringCase(name, u"ACADVER"))
        return Variant::bstr(state().version);
    if (equalsIgnoringCase(name, u"SECURELOAD"))
        return Variant::i2(int16_t(state().secureLoad));
    if (equalsIgnoringCase(name, u"FINGERPRINTGUID"))
        return Variant::bstr(document().drawing.fingerprint());
    throw AutomationError(hr::E_InvalidArg, u"Error getting system variable");
}

void Document::setVariable(const std::u16string& name, const Variant& value)
{
    state().requireVariable(name, u"Error setting system variable");
    if (!equalsIgnoringCase(name, u"TRUSTEDPATHS"))
        throw AutomationError(hr::E_InvalidArg, u"Error setting system variable");
    if (state().trustedPathsLocked)
        throw AutomationError(hr::E_Fail, u"TRUSTEDPATHS is read-only: the profile is locked");
    if (value.type() != automation::VarType::BStr)
        throw AutomationError(hr::E_InvalidArg, u"Invalid argument value");
    state().trustedPaths = value.toBStr();
    state().changed(Change::Settings);
}

void Document::sendCommand(const std::u16string& text)
{
    SimulatorState& s = state();
    s.commands.push_back(text);
    s.changed(Change::Commands);
    if (s.busyAfterCommand.count() > 0)
        s.refuseCallsUntil = std::max(s.refuseCallsUntil, s.clock() + s.busyAfterCommand);
    // A prompt of the user's own command takes the text as its input, as the
    // CAD's command line does: nothing of it runs.
    if (s.userCommandWaits()) {
        if (s.commandReport)
            s.commandReport(u"input to the user's command " + text);
        return;
    }
    if (s.commandReport)
        s.commandReport(u"ran " + text);
    s.startCommand();

    const CommandExpression expression = parseCommand(text);
    if (const auto* load = std::get_if<LoadExpression>(&expression)) {
        // A LISP that loads no compiled files says so on the command line;
        // the command itself runs to its end.
        if (!s.personality->loadsFas && endsWithIgnoringCase(load->fileName, u".fas")) {
            if (s.commandReport)
                s.commandReport(u"; error: LOAD failed: \"" + load->fileName + u"\"");
            return;
        }
        const std::optional<std::u16string> path = findSupportFile(load->fileName, s.supportPath, s.fileExists);
        if (!path)
            throw AutomationError(hr::E_Fail, u"LOAD failed: " + load->fileName);
        s.loadedFiles.push_back({load->fileName, *path});
    } else if (const auto* select = std::get_if<SelectExpression>(&expression)) {
        // handent of an unknown handle is nil, and (ssadd nil) an empty set.
        std::vector<std::u16string> selection;
        if (const Entity* entity = document().drawing.entity(select->handle))
            selection.push_back(entity->handle);
        if (selection != document().pickfirst) {
            document().pickfirst = std::move(selection);
            s.changed(Change::Selection);
        }
    }
}

} // namespace cadsim
