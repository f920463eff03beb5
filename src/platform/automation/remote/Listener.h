#pragma once

#include <functional>
#include <string>
#include <thread>

namespace automation::remote {

// The listening local socket of a server, accepting on a thread of its own
// and handing each new connection's descriptor to `accept`.
//
// Plain POSIX rather than QLocalServer: that one closes itself, and removes
// its socket file, the first time accept() fails, for instance when the
// process runs out of descriptors for a moment; a server registered as a
// running object must outlive any such moment. Here a failed accept waits a
// little and tries again.
class Listener {
public:
    Listener(std::string path, std::function<void(int)> accept);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Binds the path (the socket file readable and writable by the user only)
    // and starts accepting. An error text, or empty when it listens.
    std::string start();
    // Stops accepting, waits for the thread and removes the socket file, if
    // it is still the one this listener made.
    void stop();

private:
    void run();

    std::string m_path;
    std::function<void(int)> m_accept;
    int m_socket = -1;
    int m_wake = -1; // an eventfd that stop() signals
    unsigned long m_inode = 0;
    std::thread m_thread;
};

} // namespace automation::remote
