#include "ConnectionWatch.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <vector>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

namespace {

std::string key(const std::string& address, int port) {
    return address + " " + std::to_string(port);
}

// The port and numeric host of an address; 0 when it is not an internet address.
int portOf(const sockaddr_storage& a) {
    if (a.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(a).sin_port);
    }
    if (a.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(a).sin6_port);
    }
    return 0;
}

struct Connected {
    int descriptor;
    std::string peer;
};

// The process's sockets connected to a client on local port `port`, with their peers' keys.
std::vector<Connected> connectionsOn(int port) {
    std::vector<Connected> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        int descriptor = -1;
        try {
            descriptor = std::stoi(entry.path().filename().string());
        } catch (...) {
            continue;
        }
        struct stat facts {};
        if (fstat(descriptor, &facts) != 0 || !S_ISSOCK(facts.st_mode)) {
            continue;
        }
        sockaddr_storage local{};
        socklen_t size = sizeof local;
        if (getsockname(descriptor, reinterpret_cast<sockaddr*>(&local), &size) != 0 || portOf(local) != port) {
            continue;
        }
        sockaddr_storage peer{};
        size = sizeof peer;
        // The listening socket has no peer.
        if (getpeername(descriptor, reinterpret_cast<sockaddr*>(&peer), &size) != 0) {
            continue;
        }
        char host[NI_MAXHOST] = {};
        if (getnameinfo(reinterpret_cast<sockaddr*>(&peer), size, host, sizeof host, nullptr, 0, NI_NUMERICHOST) !=
            0) {
            continue;
        }
        found.push_back({descriptor, key(host, portOf(peer))});
    }
    return found;
}

}  // namespace

ConnectionWatch::ConnectionWatch(int port, std::chrono::milliseconds deadline)
    : port(port), deadline(deadline), thread([this] { run(); }) {}

ConnectionWatch::~ConnectionWatch() {
    {
        const std::lock_guard guard(lock);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void ConnectionWatch::handling(const std::string& address, int peerPort) {
    const std::lock_guard guard(lock);
    Seen& seen = connections[key(address, peerPort)];
    seen.busy = true;
    seen.since = std::chrono::steady_clock::now();
}

void ConnectionWatch::answered(const std::string& address, int peerPort) {
    const std::lock_guard guard(lock);
    Seen& seen = connections[key(address, peerPort)];
    seen.busy = false;
    seen.since = std::chrono::steady_clock::now();
}

void ConnectionWatch::run() {
    const auto every = std::clamp(deadline / 4, std::chrono::milliseconds(100), std::chrono::milliseconds(1000));
    std::unique_lock guard(lock);
    while (!wake.wait_for(guard, every, [this] { return stopping; })) {
        guard.unlock();
        sweep();
        guard.lock();
    }
}

void ConnectionWatch::sweep() {
    const std::vector<Connected> open = connectionsOn(port);
    const auto now = std::chrono::steady_clock::now();
    const std::lock_guard guard(lock);
    for (auto& [peer, seen] : connections) {
        seen.present = false;
    }
    for (const Connected& c : open) {
        auto [it, isNew] = connections.try_emplace(c.peer);
        Seen& seen = it->second;
        seen.present = true;
        seen.seenOpen = true;
        if (isNew) {
            seen.since = now;
            continue;
        }
        if (!seen.busy && now - seen.since > deadline) {
            // The descriptor was read under the lock's absence; a closed and reused one would
            // have another peer, so look again before cutting it.
            sockaddr_storage peer{};
            socklen_t size = sizeof peer;
            char host[NI_MAXHOST] = {};
            if (getpeername(c.descriptor, reinterpret_cast<sockaddr*>(&peer), &size) == 0 &&
                getnameinfo(reinterpret_cast<sockaddr*>(&peer), size, host, sizeof host, nullptr, 0,
                            NI_NUMERICHOST) == 0 &&
                key(host, portOf(peer)) == c.peer) {
                shutdown(c.descriptor, SHUT_RDWR);
                std::cerr << "halcyra-server: closed the connection from " << host << " port " << portOf(peer)
                          << ": no request within " << std::chrono::duration<double>(deadline).count() << " s\n";
            }
            seen.since = now;  // cut once; it goes when its worker closes it
        }
    }
    // Gone: closed since the last look. A handler's entry not yet looked at is kept a while, as
    // its connection may simply not have been looked at yet.
    std::erase_if(connections, [now](const auto& item) {
        const Seen& seen = item.second;
        return !seen.present && (!seen.busy || seen.seenOpen || now - seen.since > std::chrono::hours(1));
    });
}
