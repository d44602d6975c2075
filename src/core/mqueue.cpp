#include "core/mqueue.hpp"

#include "core/mess.hpp"
#include "core/orv.hpp"
#include "core/system.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv {
namespace {

constexpr unsigned kTrace = 0x80000000U;
constexpr unsigned kWarn = 192;
constexpr int kTimeoutExitStatus = 7;
constexpr long kRequestType = 1;     // message type of every request
constexpr int kConnectChannel = 2;   // replies to connect requests
constexpr int kFirstChannel = 3;
constexpr int kLastChannel = 21;
constexpr int kStatusGone = -3;      // '-': the other side is not there
constexpr int kMaxLinks = 32;
constexpr std::size_t kMaxPeers = 64;  // TCP connections one server keeps

struct Peer {
    int fd = -1;
    int channel = 0;        // 0 until the peer has connected
    bool quitting = false;  // the connection closes once "quit" is answered
    bool closed = false;    // the client hung up
    std::string in;         // bytes received, not yet taken
};

struct Link {
    bool used = false;
    bool socket = false;
    bool serving = false;
    int id = -1;  // System V queue id, or the (listening) socket
    std::string in;  // client socket: bytes received, not yet taken
    std::array<bool, kLastChannel + 1> taken{};     // System V serving side
    std::array<bool, kLastChannel + 1> quitting{};  // System V serving side
    std::vector<Peer> peers;                        // TCP serving side
    std::size_t next_peer = 0;                      // round robin over peers
};

struct MqState {
    bool settings_chosen = false;  // by MQ_offset/MQ_settype or the environment
    int offset = 0;
    int type = 0;
    int timeout = 20;
    void (*handler)(int) = nullptr;
    std::array<Link, kMaxLinks> links;
};
MqState g;

// Unless the program chose them, the variant and the offset come from the
// environment: orvmqtype "tcp" (or "socket", or a non-zero number) selects the
// loopback connection, orvmqoffset the key or port offset.
void choose_settings() {
    if (g.settings_chosen) return;
    g.settings_chosen = true;
    if (const char* type = std::getenv("orvmqtype"); type != nullptr)
        g.type = strcasecmp(type, "tcp") == 0 || strcasecmp(type, "socket") == 0 || std::atoi(type) != 0 ? 1 : 0;
    if (const char* offset = std::getenv("orvmqoffset"); offset != nullptr) g.offset = std::atoi(offset);
}

volatile std::sig_atomic_t g_alarm_rang = 0;

void on_alarm(int) {
    g_alarm_rang = 1;
    // Ring again later in case this one arrived just before a blocking call.
    alarm(1);
}

// Guards one exchange with the alarm of `timeout` seconds. The signal only
// sets a flag and interrupts the blocking call; the caller then calls expire.
class AlarmGuard {
public:
    AlarmGuard() {
        g_alarm_rang = 0;
        if (g.timeout <= 0) return;
        struct sigaction act {};
        act.sa_handler = on_alarm;
        sigemptyset(&act.sa_mask);
        act.sa_flags = 0;  // no restart: blocking calls return EINTR
        sigaction(SIGALRM, &act, &previous_);
        alarm(static_cast<unsigned>(g.timeout));
        armed_ = true;
    }
    AlarmGuard(const AlarmGuard&) = delete;
    AlarmGuard& operator=(const AlarmGuard&) = delete;
    ~AlarmGuard() { disarm(); }

    void disarm() {
        if (!armed_) return;
        alarm(0);
        sigaction(SIGALRM, &previous_, nullptr);
        armed_ = false;
    }
    bool rang() const { return g_alarm_rang != 0; }

    // Ends the program, or calls the user's handler and gives `failure` back.
    int expire(int failure) {
        disarm();
        if (g.handler != nullptr) {
            g.handler(SIGALRM);
            return failure;
        }
        MESS_print(kWarn, "Queue not responding!!\n");
        ORV_exit(kTimeoutExitStatus);
    }

private:
    struct sigaction previous_ {};
    bool armed_ = false;
};

char digit_of(int value) { return static_cast<char>('0' + value); }
int value_of(char digit) { return static_cast<unsigned char>(digit) - '0'; }
bool valid_channel(int channel) { return channel >= kFirstChannel && channel <= kLastChannel; }

// The digit followed by the formatted text, at most kMqTextMax characters.
std::string compose(char digit, const char* format, std::va_list ap) {
    char text[kMqTextMax + 1] = {digit, '\0'};
    if (format != nullptr) std::vsnprintf(text + 1, sizeof text - 1, format, ap);
    return text;
}

bool is_quit(std::string_view request) {
    if (request.substr(0, 4) != "quit") return false;
    return request.find_first_not_of(" \t\r\n", 4) == std::string_view::npos;
}

// --- System V message queues ---------------------------------------------

struct SysvMessage {
    long mtype;
    char mtext[kMqTextMax + 1];
};

int sysv_send(int qid, long type, const std::string& msg) {
    SysvMessage m{};
    m.mtype = type;
    std::memcpy(m.mtext, msg.data(), msg.size());
    while (msgsnd(qid, &m, msg.size(), 0) != 0) {
        if (errno != EINTR || g_alarm_rang != 0) return -1;
    }
    return 0;
}

// 1 with the next message of that type, 0 when none (yet), -1 on failure.
int sysv_receive(int qid, long type, bool wait, std::string& msg) {
    SysvMessage m{};
    const ssize_t n = msgrcv(qid, &m, kMqTextMax, type, MSG_NOERROR | (wait ? 0 : IPC_NOWAIT));
    if (n < 0) return errno == ENOMSG || errno == EINTR ? 0 : -1;
    msg.assign(m.mtext, strnlen(m.mtext, static_cast<std::size_t>(n)));
    return 1;
}

// --- TCP ---------------------------------------------------------------

bool valid_port(long port) { return port > 0 && port <= 65535; }

sockaddr_in loopback(long port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

int tcp_send(int fd, const std::string& msg) {
    std::string frame(1, static_cast<char>(msg.size()));
    frame += msg;
    std::size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = send(fd, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR && g_alarm_rang == 0) continue;
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// Takes one complete message (length byte, then the text) off the front.
bool take_frame(std::string& in, std::string& msg) {
    if (in.empty()) return false;
    const std::size_t length = static_cast<unsigned char>(in[0]);
    if (in.size() < 1 + length) return false;
    msg.assign(in, 1, std::min<std::size_t>(length, kMqTextMax));
    msg.resize(strnlen(msg.c_str(), msg.size()));
    in.erase(0, 1 + length);
    return true;
}

// Appends whatever has arrived: 1 when something was read, 0 when nothing
// waits, -1 at the end of the stream or on failure.
int tcp_read(int fd, std::string& in) {
    char chunk[512];
    const ssize_t n = recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n > 0) {
        in.append(chunk, static_cast<std::size_t>(n));
        return 1;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return 0;
    return -1;
}

// Client: 1 with the next message of the connection, 0 when none, -1 when closed.
int tcp_try_receive(Link& link, std::string& msg) {
    for (;;) {
        if (take_frame(link.in, msg)) return 1;
        const int got = tcp_read(link.id, link.in);
        if (got <= 0) return got;
    }
}

Peer* peer_on(Link& link, int channel) {
    const auto it = std::find_if(link.peers.begin(), link.peers.end(),
                                 [channel](const Peer& p) { return p.channel == channel; });
    return it == link.peers.end() ? nullptr : &*it;
}

void drop_peer(Link& link, const Peer* peer) {
    close(peer->fd);
    link.peers.erase(link.peers.begin() + (peer - link.peers.data()));
}

void accept_peer(Link& link) {
    const int fd = accept4(link.id, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    if (link.peers.size() >= kMaxPeers) {
        close(fd);
        return;
    }
    link.peers.push_back(Peer{fd, 0, false, false, {}});
}

// A complete request already received, taking the peers in turn.
bool take_buffered(Link& link, std::string& msg, Peer*& from) {
    const std::size_t n = link.peers.size();
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = (link.next_peer + k) % n;
        if (take_frame(link.peers[i].in, msg)) {
            from = &link.peers[i];
            link.next_peer = i + 1;
            return true;
        }
    }
    return false;
}

// Peers that hung up stay until their last requests have been taken.
void drop_closed_peers(Link& link) {
    std::erase_if(link.peers, [](const Peer& p) {
        if (!p.closed) return false;
        close(p.fd);
        return true;
    });
}

// Server: 1 with the next request and its peer, 0 when interrupted, -1 on failure.
int tcp_next_request(Link& link, std::string& msg, Peer*& from) {
    for (;;) {
        if (take_buffered(link, msg, from)) return 1;
        drop_closed_peers(link);
        std::vector<pollfd> fds{{link.id, POLLIN, 0}};
        for (const Peer& p : link.peers) fds.push_back({p.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) return errno == EINTR ? 0 : -1;
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            Peer& peer = link.peers[i - 1];
            int got = 0;
            while ((got = tcp_read(peer.fd, peer.in)) > 0) {}
            peer.closed = got < 0;
        }
        if ((fds[0].revents & POLLIN) != 0) accept_peer(link);
    }
}

// --- handles ---------------------------------------------------------------

int new_link(bool socket, bool serving, int id) {
    for (int h = 0; h < kMaxLinks; ++h) {
        Link& link = g.links[h];
        if (link.used) continue;
        link = Link{};
        link.used = true;
        link.socket = socket;
        link.serving = serving;
        link.id = id;
        return h;
    }
    if (socket) close(id);
    return -1;
}

Link* find_link(int handle) {
    if (handle < 0 || handle >= kMaxLinks || !g.links[handle].used) return nullptr;
    return &g.links[handle];
}

Link* find_link(int handle, bool serving) {
    Link* link = find_link(handle);
    return link != nullptr && link->serving == serving ? link : nullptr;
}

void close_sockets(Link& link) {
    if (!link.socket) return;
    for (const Peer& p : link.peers) close(p.fd);
    close(link.id);
}

// Drops every message waiting for the channel (every message on a socket).
void drain(Link& link, int channel) {
    std::string msg;
    if (link.socket) {
        while (tcp_try_receive(link, msg) > 0) {}
    } else {
        while (sysv_receive(link.id, channel, false, msg) > 0) {}
    }
}

void pause_after(int tries) {
    if (tries <= 2) return;
    const timespec pause = tries <= 200 ? timespec{0, 100'000'000} : timespec{1, 0};
    nanosleep(&pause, nullptr);
}

// Serving side: the lowest channel free for a new client, 0 when all are taken.
int free_channel(Link& link) {
    for (int channel = kFirstChannel; channel <= kLastChannel; ++channel) {
        if (link.socket ? peer_on(link, channel) == nullptr : !link.taken[channel]) return channel;
    }
    return 0;
}

// Serving side: answers a connect request on channel 2 with the channel the
// client gets, or with status -3 when every channel is taken.
int assign_channel(int handle, Link& link, Peer* from) {
    if (from != nullptr) {
        from->channel = 0;
        from->quitting = false;
    }
    const int channel = free_channel(link);
    const int status = channel != 0 ? channel : kStatusGone;
    const std::string reply = digit_of(status) + (channel != 0 ? std::to_string(channel) : "");
    MESS_print(kTrace, "Send: %d %d %d => %s\n", handle, kConnectChannel, status, reply.c_str() + 1);
    if (from != nullptr) {
        from->channel = channel;
        return tcp_send(from->fd, reply);
    }
    if (channel != 0) {
        link.taken[channel] = true;
        link.quitting[channel] = false;
    }
    return sysv_send(link.id, kConnectChannel, reply);
}

}  // namespace

int MQ_offset(int offset) {
    g.settings_chosen = true;
    return std::exchange(g.offset, offset);
}

int MQ_settype(int type) {
    g.settings_chosen = true;
    return std::exchange(g.type, type);
}
int MQ_timeout(int seconds) { return std::exchange(g.timeout, seconds); }
void MQ_timeout_func(void (*handler)(int)) { g.handler = handler; }

int MQ_open(int n) {
    choose_settings();
    const long where = static_cast<long>(g.offset) + n;
    if (g.type == 0) {
        // Key 0 would make a new private queue rather than find one.
        if (where == 0 || where < INT_MIN || where > INT_MAX) return -1;
        const int qid = msgget(static_cast<key_t>(where), 0);
        return qid < 0 ? -1 : new_link(false, false, qid);
    }
    if (!valid_port(where)) return -1;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const sockaddr_in addr = loopback(where);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return new_link(true, false, fd);
}

int MQ_connect(int handle) {
    Link* link = find_link(handle, false);
    if (link == nullptr) return -1;
    drain(*link, kConnectChannel);
    if (MQ_put(handle, -1, "%d", static_cast<int>(getuid())) != 0) return -1;
    char text[kMqBufferSize];
    const int channel = MQ_get(handle, kConnectChannel, text);
    if (!valid_channel(channel)) return -1;
    drain(*link, channel);
    return channel;
}

int MQ_put(int handle, int channel, const char* format, ...) {
    Link* link = find_link(handle, false);
    if (link == nullptr) return -1;
    std::va_list ap;
    va_start(ap, format);
    const std::string msg = compose(digit_of(channel), format, ap);
    va_end(ap);
    MESS_print(kTrace, "PUT:%d:%s\n", channel, msg.c_str() + 1);
    AlarmGuard guard;
    const int rc = link->socket ? tcp_send(link->id, msg) : sysv_send(link->id, kRequestType, msg);
    if (rc != 0 && guard.rang()) return guard.expire(-1);
    return rc;
}

int MQ_get(int handle, int channel, char* buffer) {
    if (buffer != nullptr) buffer[0] = '\0';
    Link* link = find_link(handle, false);
    // A type of 0 or less would take requests from the queue, not replies.
    if (link == nullptr || (!link->socket && channel <= 0)) return kStatusGone;
    AlarmGuard guard;
    std::string msg;
    int tries = 1;
    for (;; ++tries) {
        const int got = link->socket ? tcp_try_receive(*link, msg)
                                     : sysv_receive(link->id, channel, false, msg);
        if (got < 0) return kStatusGone;
        if (got > 0) break;
        if (guard.rang()) return guard.expire(kStatusGone);
        pause_after(tries);
        if (guard.rang()) return guard.expire(kStatusGone);
    }
    guard.disarm();
    MESS_print(kTrace, "GET-MSG:%d %d %d %d\n", handle, channel, static_cast<int>(msg.size()), tries);
    MESS_print(kTrace, "GET:%s\n", msg.c_str());
    if (msg.empty()) return 0;
    if (buffer != nullptr) strntcpy(buffer, msg.c_str() + 1, kMqBufferSize);
    return value_of(msg[0]);
}

int MQ_close(int handle) {
    Link* link = find_link(handle);
    if (link == nullptr) return -1;
    close_sockets(*link);
    *link = Link{};
    return 0;
}

int MQ_create(int n) {
    choose_settings();
    const long where = static_cast<long>(g.offset) + n;
    if (g.type == 0) {
        if (where == 0 || where < INT_MIN || where > INT_MAX) return -1;
        const int qid = msgget(static_cast<key_t>(where), IPC_CREAT | 0600);
        if (qid < 0) return -1;
        std::string stale;
        while (sysv_receive(qid, 0, false, stale) > 0) {}
        return new_link(false, true, qid);
    }
    if (!valid_port(where)) return -1;
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in addr = loopback(where);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
        close(fd);
        return -1;
    }
    return new_link(true, true, fd);
}

int MQ_sget(int handle, int* channel, char* buffer) {
    if (buffer != nullptr) buffer[0] = '\0';
    Link* link = find_link(handle, true);
    if (link == nullptr) return -1;
    AlarmGuard guard;
    for (;;) {
        std::string msg;
        Peer* from = nullptr;
        const int got = link->socket ? tcp_next_request(*link, msg, from)
                                     : sysv_receive(link->id, kRequestType, true, msg);
        if (got < 0) return -1;
        if (got == 0) {
            if (guard.rang()) return guard.expire(-1);
            continue;
        }
        if (msg.empty()) continue;
        const int ch = from != nullptr ? from->channel : value_of(msg[0]);
        MESS_print(kTrace, "Received: %d %d %d => %s\n", handle, ch, static_cast<int>(msg.size()),
                   msg.c_str() + 1);
        if (msg[0] == '/') {
            if (assign_channel(handle, *link, from) != 0 && guard.rang()) return guard.expire(-1);
            continue;
        }
        if (!valid_channel(ch)) continue;  // a client that never connected
        const bool quit = is_quit(std::string_view(msg).substr(1));
        if (from != nullptr) {
            from->quitting = quit;
        } else {
            link->taken[ch] = true;
            link->quitting[ch] = quit;
        }
        if (channel != nullptr) *channel = ch;
        if (buffer != nullptr) strntcpy(buffer, msg.c_str() + 1, kMqBufferSize);
        return ch;
    }
}

int MQ_sput(int handle, int channel, int status, const char* format, ...) {
    Link* link = find_link(handle, true);
    if (link == nullptr) return -1;
    std::va_list ap;
    va_start(ap, format);
    const std::string msg = compose(digit_of(status), format, ap);
    va_end(ap);
    MESS_print(kTrace, "Send: %d %d %d => %s\n", handle, channel, status, msg.c_str() + 1);
    AlarmGuard guard;
    int rc = -1;
    if (!link->socket) {
        if (channel > 0) rc = sysv_send(link->id, channel, msg);
        if (valid_channel(channel) && link->quitting[channel]) {
            link->taken[channel] = false;
            link->quitting[channel] = false;
        }
    } else if (Peer* peer = peer_on(*link, channel)) {
        rc = tcp_send(peer->fd, msg);
        if (rc != 0 || peer->quitting) drop_peer(*link, peer);
    }
    if (rc != 0 && guard.rang()) return guard.expire(-1);
    return rc;
}

int MQ_del(int handle) {
    Link* link = find_link(handle, true);
    if (link == nullptr) return -1;
    int rc = 0;
    if (link->socket) {
        close_sockets(*link);
    } else {
        rc = msgctl(link->id, IPC_RMID, nullptr);
    }
    *link = Link{};
    return rc == 0 ? 0 : -1;
}

void MQ_reset_for_tests() {
    for (Link& link : g.links) {
        if (link.used) close_sockets(link);
    }
    g = MqState{};
    g_alarm_rang = 0;
}

}  // namespace orv
