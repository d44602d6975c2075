#include "core/system.hpp"

#include <array>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orv {
namespace {

struct SystemState {
    timeval start{};
    float slept = 0.0F;
    std::array<pid_t, kProcSlots> procs{};
    int run_status = 0;
};
SystemState g;

void sleep_for(double seconds) {
    timespec left{};
    left.tv_sec = static_cast<time_t>(seconds);
    left.tv_nsec = static_cast<long>(std::lround((seconds - static_cast<double>(left.tv_sec)) * 1e6)) * 1000;
    if (left.tv_nsec >= 1000000000L) {
        ++left.tv_sec;
        left.tv_nsec -= 1000000000L;
    }
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void redirect_to_null(int fd, int flags) {
    const int null_fd = open("/dev/null", flags);
    if (null_fd < 0) return;
    if (null_fd != fd) {
        dup2(null_fd, fd);
        close(null_fd);
    }
}

int status_of(int wait_status) {
    return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
}

}  // namespace

void ORV_exit(int status) {
    std::fflush(nullptr);
    std::exit(status);
}

void ORV_note_failure(int status) {
    if (g.run_status == 0) g.run_status = status;
}

int ORV_run_status() { return g.run_status; }

void ORV_init_time() {
    gettimeofday(&g.start, nullptr);
    g.slept = 0.0F;
}

float ORV_elapse_time() {
    timeval now{};
    gettimeofday(&now, nullptr);
    if (now.tv_usec == 0) return g.slept;
    long sec = now.tv_sec - g.start.tv_sec;
    long usec = now.tv_usec - g.start.tv_usec;
    if (usec < 0) {
        --sec;
        usec += 1000000;
    }
    return static_cast<float>(sec) + static_cast<float>(usec) / 1e6F;
}

int ORV_sleep(float seconds) {
    if (!(seconds > 0.0F)) return -1;
    sleep_for(seconds);
    g.slept += seconds;
    return 0;
}

int ORV_get_pid() { return static_cast<int>(getpid()); }

int ORV_back_proc() {
    std::fflush(nullptr);  // nothing buffered may be written twice
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid > 0) _exit(0);
    std::signal(SIGINT, SIG_DFL);
    close(STDIN_FILENO);
    close(STDOUT_FILENO);
    close(STDERR_FILENO);
    redirect_to_null(STDIN_FILENO, O_RDONLY);
    redirect_to_null(STDOUT_FILENO, O_WRONLY);
    redirect_to_null(STDERR_FILENO, O_WRONLY);
    setsid();
    return 1;
}

long ORV_get_virt_mem() {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", ORV_get_pid());
    std::FILE* f = std::fopen(path, "r");
    if (f == nullptr) return 0;
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (!read) return 0;
    // Field 2 is the command name in parentheses and may hold blanks: count
    // from the last ")" on, where field 3 begins.
    const char* p = std::strrchr(line, ')');
    if (p == nullptr) return 0;
    ++p;
    for (int field = 3; field < 23; ++field) {
        p += std::strspn(p, " ");
        p += std::strcspn(p, " ");
    }
    return std::strtol(p, nullptr, 10);
}

int ORV_add_proc(int pid) {
    if (pid <= 0) return -1;
    for (int i = 0; i < kProcSlots; ++i) {
        if (g.procs[static_cast<std::size_t>(i)] == 0) {
            g.procs[static_cast<std::size_t>(i)] = pid;
            return i;
        }
    }
    return -1;
}

int ORV_proc(int i) {
    if (i < 0 || i >= kProcSlots) return 0;
    return g.procs[static_cast<std::size_t>(i)];
}

int ORV_chk_proc() {
    int running = 0;
    for (pid_t& pid : g.procs) {
        if (pid == 0) continue;
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            pid = 0;
        else
            ++running;
    }
    return running;
}

int ORV_run(const char* program, char* const argv[], char* const environment[], int mode) {
    if (program == nullptr || argv == nullptr) return -1;
    if (mode == kRunBackground && ORV_chk_proc() >= kProcSlots) return -1;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (environment != nullptr)
            execvpe(program, argv, environment);
        else
            execvp(program, argv);
        _exit(127);
    }
    if (mode == kRunBackground) return ORV_add_proc(pid) >= 0 ? pid : -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status_of(status);
}

int ORV_run_func(int (*function)(void*), void* arg) {
    if (function == nullptr || ORV_chk_proc() >= kProcSlots) return -1;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int result = function(arg);
        std::fflush(nullptr);
        _exit(result);
    }
    ORV_add_proc(pid);
    return pid;
}

void SYSTEM_reset_for_tests() { g = SystemState{}; }

}  // namespace orv
