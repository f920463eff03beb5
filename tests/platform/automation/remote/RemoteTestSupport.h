#pragma once

#include "platform/automation/AutomationError.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/remote/ClientBackend.h"
#include "platform/automation/remote/FrameCodec.h"
#include "platform/automation/remote/FrameSocket.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

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
    } catch (const automation::CallFailure& e) {
        return e.code();
    }
    return 0;
}

// A raw connection that speaks whatever a test makes it say.
class RawPeer {
public:
    explicit RawPeer(const std::string& path) : m_socket(automation::remote::FrameSocket::connectTo(path)) {}
    bool isOpen() const { return m_socket.isOpen(); }
    bool sendBytes(const std::vector<uint8_t>& bytes)
    {
        return m_socket.send(bytes) == automation::remote::FrameSocket::Status::Ok;
    }
    bool hello()
    {
        automation::remote::NoObjects none;
        std::vector<uint8_t> payload;
        return sendBytes(encodeFrame(automation::remote::Hello{}, none))
               && m_socket.receive(payload) == automation::remote::FrameSocket::Status::Ok;
    }
    // True when the server closed the connection within `wait`.
    bool closedByServer(std::chrono::milliseconds wait = std::chrono::seconds(10))
    {
        m_socket.setReceiveTimeout(wait);
        m_socket.setFrameTimeout(wait);
        std::vector<uint8_t> payload;
        try {
            return m_socket.receive(payload) == automation::remote::FrameSocket::Status::Closed;
        } catch (const automation::remote::FrameError&) {
            return false;
        }
    }

private:
    automation::remote::FrameSocket m_socket;
};

// Waits, a bounded number of times, for a condition that another thread or
// process brings about.
inline bool eventually(const std::function<bool()>& condition, int tries = 500)
{
    for (int i = 0; i < tries; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}
