#include "platform/messages/EntryPoint.h"

#include "platform/db/DbError.h"
#include "platform/messages/SilentAbort.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

struct ReporterCase {
    const char* name;
    std::function<void()> fail;
    QStringList errors;
};

TEST(EntryPoint, WithoutAHandlerSilentAbortIsSwallowedAndEverythingElseShown)
{
    const std::vector<ReporterCase> cases{
        {"silent abort", [] { throw SilentAbort(); }, {}},
        {"database error", [] { throw db::DbError(QStringLiteral("TTruba: Row 7 does not exist")); },
         {QStringLiteral("TTruba: Row 7 does not exist")}},
        {"standard exception", [] { throw std::runtime_error("disk full"); }, {QStringLiteral("disk full")}},
        {"foreign object", [] { throw 42; }, {QStringLiteral("Unknown error")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageRecorder recorder;
        EXPECT_FALSE(messages::runEntryPoint(c.fail));
        EXPECT_EQ(recorder.errors, c.errors);
        EXPECT_TRUE(recorder.messages.isEmpty());
    }
}

TEST(EntryPoint, AControlsOwnHandlerTakesTheFailureInsteadOfTheReporter)
{
    MessageRecorder recorder;
    int ownCalls = 0;
    EXPECT_FALSE(messages::runEntryPoint([] { throw std::runtime_error("kept"); },
                                         [&](std::exception_ptr) { ++ownCalls; }));
    EXPECT_EQ(ownCalls, 1);
    EXPECT_TRUE(recorder.errors.isEmpty());
    EXPECT_TRUE(messages::runEntryPoint([] {}, [&](std::exception_ptr) { ++ownCalls; }));
    EXPECT_EQ(ownCalls, 1);
}

TEST(EntryPoint, NothingStartsWhileTheUsersInputIsBlocked)
{
    int ran = 0;
    {
        const messages::InputBlock outer;
        {
            const messages::InputBlock nested; // a pause inside a command's progress display
        }
        EXPECT_FALSE(messages::runEntryPoint([&] { ++ran; }));
    }
    EXPECT_EQ(ran, 0);
    EXPECT_TRUE(messages::runEntryPoint([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
}

TEST(EntryPoint, AHandlerThatThrowsDoesNotEscape)
{
    bool ran = false;
    const bool ok = messages::runEntryPoint(
        [&] {
            ran = true;
            throw SilentAbort();
        },
        [](std::exception_ptr) { throw std::logic_error("handler broke"); });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(ok);
}

} // namespace
