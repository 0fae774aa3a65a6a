#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// Drops connections that hold a worker without asking anything. httplib's read timeout bounds
// each read only: a client sending a byte of its headers every few seconds would keep a worker
// for hours, and enough such clients would keep them all. Here a connection must have its
// request in (the headers, and the body of any route but an upload, which has its own rule)
// within `deadline` of opening or of its last answer; else its socket is shut down and the
// worker's read ends.
//
// httplib does not say which socket a worker serves, so the watch looks at the process's
// connected sockets on the server's port, known by the peer's address and port, and the
// handlers say by the same key when a request is being handled and when it is answered.
class ConnectionWatch {
public:
    ConnectionWatch(int port, std::chrono::milliseconds deadline);
    ~ConnectionWatch();
    ConnectionWatch(const ConnectionWatch&) = delete;
    ConnectionWatch& operator=(const ConnectionWatch&) = delete;

    // A handler runs for the connection from `address`:`port` (as httplib's remote_addr and
    // remote_port give them): it is not watched until its answer is out.
    void handling(const std::string& address, int port);
    // Its answer is out: the next request must come within the deadline.
    void answered(const std::string& address, int port);

private:
    struct Seen {
        std::chrono::steady_clock::time_point since;
        bool busy = false;
        bool present = false;  // among the open sockets at the last look
        bool seenOpen = false; // at any look
    };
    void run();
    void sweep();

    const int port;
    const std::chrono::milliseconds deadline;
    std::mutex lock;
    std::condition_variable wake;
    bool stopping = false;
    std::map<std::string, Seen> connections;
    std::thread thread;
};
