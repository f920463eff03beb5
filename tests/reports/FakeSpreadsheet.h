#pragma once

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ObjectRegistry.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A spreadsheet registered as "Excel.Sheet" for one test. It records every
// call its objects receive, can fail on purpose at a chosen call, and tells
// whether every object it handed out has been let go.
class FakeSpreadsheet {
public:
    struct Call {
        std::string object; // "sheetObject", "application", "workbooks", "workbook", "worksheet"
        std::u16string member;
        automation::InvokeKind kind;
        std::vector<automation::Variant> args;
        std::vector<bool> byRef;
    };

    // The number of the call (0 = the creation itself) at which `failure` is
    // thrown instead of answering; -1 never fails.
    int failAt = -1;
    std::function<void()> failure = [] {
        throw automation::AutomationError(automation::hr::Disp_E_Exception, u"Refused on purpose");
    };

    std::vector<Call> calls;
    // Runs before every call is answered: a slow spreadsheet, say.
    std::function<void()> beforeAnswer;

    FakeSpreadsheet()
    {
        m_registration = automation::registerClass(u"Excel.Sheet", [this] {
            ++m_callCount;
            if (m_callCount - 1 == failAt)
                failure();
            return make("sheetObject").toDispatch();
        });
    }

    bool allReleased() const
    {
        for (const auto& object : m_made)
            if (!object.expired())
                return false;
        return true;
    }

    // The cells written, from the recorded puts: row, column, value.
    struct Cell {
        int32_t row;
        int32_t column;
        automation::Variant value;
        bool operator==(const Cell&) const = default;
    };
    std::vector<Cell> cells() const
    {
        std::vector<Cell> result;
        for (const Call& call : calls)
            if (call.member == u"Cells" && call.args.size() == 3)
                result.push_back({call.args[0].toI4(), call.args[1].toI4(), call.args[2]});
        return result;
    }

private:
    class Object final : public automation::Dispatch {
    public:
        Object(FakeSpreadsheet& server, std::string role) : m_server(server), m_role(std::move(role)) {}
        automation::Variant invoke(std::u16string_view member, automation::InvokeKind kind,
                                   automation::Args args) override
        {
            return m_server.answer(m_role, member, kind, args);
        }

    private:
        FakeSpreadsheet& m_server;
        std::string m_role;
    };

    automation::Variant make(const std::string& role)
    {
        auto object = std::make_shared<Object>(*this, role);
        m_made.push_back(object);
        return automation::Variant::dispatch(object);
    }

    automation::Variant answer(const std::string& role, std::u16string_view member,
                               automation::InvokeKind kind, automation::Args args)
    {
        if (m_callCount++ == failAt)
            failure();
        if (beforeAnswer)
            beforeAnswer();
        // Only calls that were answered are recorded.
        Call call{role, std::u16string(member), kind, {}, {}};
        for (const automation::Arg& arg : args) {
            call.args.push_back(arg.value());
            call.byRef.push_back(arg.isByRef());
        }
        calls.push_back(std::move(call));
        if (member == u"Application")
            return make("application");
        if (member == u"Workbooks")
            return make("workbooks");
        if (member == u"Add")
            return make("workbook");
        if (member == u"ActiveSheet")
            return make("worksheet");
        return {};
    }

    int m_callCount = 0;
    std::vector<std::weak_ptr<automation::Dispatch>> m_made;
    automation::Registration m_registration;
};
