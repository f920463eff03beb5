#pragma once

#include "platform/automation/AutomationError.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/remote/ClientBackend.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

// Every test of this binary registers its servers in a runtime folder of its
// own, with the remote backend installed for lookups.
class PrivateRuntimeFolder : public testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        ::setenv("XDG_RUNTIME_DIR", m_folder.path().toLocal8Bit().constData(), 1);
        automation::remote::installClientBackend();
    }
    void TearDown() override { automation::setObjectBackend(nullptr); }

private:
    QTemporaryDir m_folder;
};

inline int32_t failureCode(const std::function<void()>& f)
{
    try {
        f();
    } catch (const automation::AutomationError& e) {
        return e.code();
    }
    return 0;
}
