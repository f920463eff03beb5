#include "platform/dbwidgets/ErrorBoundary.h"

#include "QtPrinters.h"
#include "platform/db/DbError.h"
#include "platform/messages/SilentAbort.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <stdexcept>

using dbwidgets::ErrorHandler;

namespace {

struct DefaultHookCase {
    const char* name;
    std::function<void()> fail;
    QStringList errors;
};

} // namespace

TEST(ErrorBoundary, DefaultHookSwallowsSilentAbortAndShowsEverythingElse)
{
    const std::vector<DefaultHookCase> cases{
        {"silent abort", [] { throw SilentAbort(); }, {}},
        {"database error", [] { throw db::DbError(QStringLiteral("TTruba: Row 7 does not exist")); },
         {QStringLiteral("TTruba: Row 7 does not exist")}},
        {"standard exception", [] { throw std::runtime_error("disk full"); }, {QStringLiteral("disk full")}},
        {"foreign object", [] { throw 42; }, {QStringLiteral("Unknown error")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageRecorder recorder;
        EXPECT_FALSE(dbwidgets::guarded({}, c.fail));
        EXPECT_EQ(recorder.errors, c.errors);
        EXPECT_TRUE(recorder.messages.isEmpty());
    }
}

TEST(ErrorBoundary, ControlHandlerTakesPrecedenceOverTheProcessHook)
{
    int hookCalls = 0;
    int ownCalls = 0;
    const ErrorHandler previous = dbwidgets::setErrorHook([&](std::exception_ptr) { ++hookCalls; });
    dbwidgets::guarded([&](std::exception_ptr) { ++ownCalls; }, [] { throw SilentAbort(); });
    dbwidgets::guarded({}, [] { throw SilentAbort(); });
    dbwidgets::setErrorHook(previous);
    EXPECT_EQ(ownCalls, 1);
    EXPECT_EQ(hookCalls, 1);
}

TEST(ErrorBoundary, ResettingTheHookRestoresTheDefault)
{
    dbwidgets::setErrorHook([](std::exception_ptr) {});
    dbwidgets::setErrorHook({});
    MessageRecorder recorder;
    dbwidgets::guarded({}, [] { throw std::runtime_error("shown again"); });
    EXPECT_EQ(recorder.errors, QStringList{QStringLiteral("shown again")});
}

TEST(ErrorBoundary, HandlerThatThrowsDoesNotEscape)
{
    bool ran = false;
    const bool ok = dbwidgets::guarded([](std::exception_ptr) { throw std::logic_error("handler broke"); },
                                       [&] {
                                           ran = true;
                                           throw SilentAbort();
                                       });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(ok);
}
