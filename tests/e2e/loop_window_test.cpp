// mosplot fetches its resources from a loop window on loopback and echoes its
// command-line options to it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "core/mqueue.hpp"
#include "gks/ps_render.hpp"
#include "support/run_program.hpp"

namespace orv::testing {
namespace {

constexpr int kWindow = 1;

// Serves one client like a loop window: answers the queries for `time` and
// `variable`, acknowledges everything else, and logs every request.
[[noreturn]] void serve(int offset, int ready_fd, const std::string& log_path) {
    MQ_settype(1);
    MQ_offset(offset);
    MQ_timeout(20);
    const int h = MQ_create(kWindow);
    const char ok = h >= 0 ? '1' : '0';
    if (write(ready_fd, &ok, 1) != 1 || h < 0) _exit(1);
    std::ofstream log(log_path);
    int channel = 0;
    char request[kMqBufferSize];
    while (MQ_sget(h, &channel, request) >= 0) {
        log << request << "\n" << std::flush;
        const std::string r = request;
        if (r == "query res time") MQ_sput(h, channel, 0, "h12\n");
        if (r == "query res variable") MQ_sput(h, channel, 0, "temp\n");
        MQ_sput(h, channel, 1, "%s", r.starts_with("query") ? "" : "ok");
        if (r == "quit") break;
    }
    MQ_del(h);
    _exit(0);
}

TEST(LoopWindow, StartUpQueriesTheWindowAndEchoesOptions) {
    ScratchDir dir;
    dir.write("defaults/.orvdef", "mosplot.model gfs\n");
    const int offset = 20000 + getpid() % 20000;
    int pipe_fd[2];
    ASSERT_EQ(pipe(pipe_fd), 0);
    const pid_t peer = fork();
    ASSERT_GE(peer, 0);
    if (peer == 0) serve(offset, pipe_fd[1], dir.file("requests"));
    char ready = '0';
    ASSERT_EQ(read(pipe_fd[0], &ready, 1), 1);
    close(pipe_fd[0]);
    close(pipe_fd[1]);
    ASSERT_EQ(ready, '1') << "the loop window could not listen";
    dir.write("mos_2026120600.txt", one_station_bulletin());
    const RunResult r = run_mosplot(dir, {"-ba", "-me", "mess", "-pl", "none", "-dp", dir.path()}, "",
                                    {"orvdefault=" + dir.file("defaults") + ":#1", "orvmqtype=tcp",
                                     "orvmqoffset=" + std::to_string(offset)});
    waitpid(peer, nullptr, 0);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> got = test::lines_of(read_file(dir.file("requests")));
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front(), "query res help");
    const auto index_of = [&](const std::string& line) {
        const auto it = std::find(got.begin(), got.end(), line);
        return it == got.end() ? -1 : static_cast<int>(it - got.begin());
    };
    const int last_query = index_of("query res filename");
    EXPECT_GT(last_query, index_of("query res geometry"));
    // The model came from the defaults file read before the window: the window learns it.
    EXPECT_GT(index_of("set res model gfs"), last_query);
    EXPECT_GT(index_of("set res batch "), last_query);
    EXPECT_GT(index_of("set res message mess"), index_of("set res batch "));
    EXPECT_EQ(got.back(), "quit");
    // The window's answers became the program's time and variable.
    EXPECT_NE(r.out.find("GFS MOS h12: temp"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace orv::testing
