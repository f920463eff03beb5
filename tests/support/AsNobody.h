#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

// For the guard's life a test run by the superuser acts as user "nobody":
// file modes do not bind the superuser, and the kernel records a socket's
// user when it connects or listens. Any other run stays its own user (and
// a test that needs another one skips when possible() is false).
class AsNobody {
public:
    static constexpr uid_t uid = 65534;
    static bool possible() { return ::geteuid() == 0; }

    AsNobody() : m_acting(possible())
    {
        if (!m_acting)
            return;
        EXPECT_EQ(::setegid(uid), 0);
        EXPECT_EQ(::seteuid(uid), 0);
    }
    ~AsNobody()
    {
        if (!m_acting)
            return;
        EXPECT_EQ(::seteuid(0), 0);
        EXPECT_EQ(::setegid(0), 0);
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

private:
    bool m_acting;
};
