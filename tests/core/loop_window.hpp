// A loop window in miniature for the tests, forked off as a child process: it
// creates queue n, hands every request to `answer` (which replies with MQ_sput
// and returns false to stop), then removes the queue and ends with status 0
// (3 when the queue would not go).
#pragma once

#include <sys/ipc.h>
#include <sys/msg.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <functional>
#include <string>

#include "core/mqueue.hpp"

namespace orv::testing {

using LoopAnswer = std::function<bool(int h, int ch, const std::string& request)>;

// The child's pid once its queue exists, or -1.
inline pid_t start_loop_window(int n, const LoopAnswer& answer) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        MQ_timeout(10);  // never outlive a failed test for long
        const int h = MQ_create(n);
        const char ready = h >= 0 ? '1' : '0';
        if (write(fds[1], &ready, 1) != 1 || h < 0) _exit(2);
        close(fds[1]);
        int ch = 0;
        char req[kMqBufferSize];
        while (MQ_sget(h, &ch, req) >= 0 && answer(h, ch, req)) {
        }
        _exit(MQ_del(h) == 0 ? 0 : 3);
    }
    close(fds[1]);
    char ready = '0';
    const bool ok = pid > 0 && read(fds[0], &ready, 1) == 1 && ready == '1';
    close(fds[0]);
    if (!ok && pid > 0) waitpid(pid, nullptr, 0);
    return ok ? pid : -1;
}

// Waits for the child (killing it first unless `wait`): its exit status, or -1.
inline int end_loop_window(pid_t pid, bool wait = true) {
    if (pid <= 0) return -1;
    if (!wait) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline bool sysv_queues_available() {
    const int qid = msgget(IPC_PRIVATE, IPC_CREAT | 0600);
    if (qid >= 0) msgctl(qid, IPC_RMID, nullptr);
    return qid >= 0 || (errno != ENOSYS && errno != EPERM);
}

// Removes System V queue `key` left behind by a failed test.
inline void remove_sysv_queue(int key) {
    const int qid = msgget(key, 0);
    if (qid >= 0) msgctl(qid, IPC_RMID, nullptr);
}

}  // namespace orv::testing
