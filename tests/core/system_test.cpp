#include "core/system.hpp"
#include <gtest/gtest.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <vector>
#include <unistd.h>
#include "support/run_program.hpp"

namespace orv {
namespace {

namespace fs = std::filesystem;

class SystemTest : public ::testing::Test {
protected:
    void SetUp() override { SYSTEM_reset_for_tests(); }
    void TearDown() override { SYSTEM_reset_for_tests(); }
    orv::testing::ScratchDir scratch_;
    fs::path dir_ = scratch_.path();
};

// Waits (without judging the time taken) until the predicate holds.
template <class Pred>
bool eventually(Pred pred) {
    for (int i = 0; i < 1000; ++i) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return pred();
}

bool is_dev_null(int fd) {
    struct stat a {}, b {};
    return fstat(fd, &a) == 0 && stat("/dev/null", &b) == 0 && a.st_rdev == b.st_rdev &&
           S_ISCHR(a.st_mode);
}

TEST_F(SystemTest, SleepRejectsNonPositiveTimes) {
    ORV_init_time();
    EXPECT_EQ((std::vector{ORV_sleep(0.0F), ORV_sleep(-1.0F), ORV_sleep(0.001F)}), (std::vector{-1, -1, 0}));
    const float elapsed = ORV_elapse_time();
    EXPECT_TRUE(std::isfinite(elapsed) && elapsed >= 0.0F) << elapsed;
}

TEST_F(SystemTest, ProcessIdAndVirtualMemory) {
    EXPECT_EQ(ORV_get_pid(), static_cast<int>(getpid()));
    if (!fs::exists("/proc/self/stat")) GTEST_SKIP() << "no /proc on this system";
    // A command name with blanks and parentheses must not shift the fields.
    char old_name[17] = {};
    prctl(PR_GET_NAME, old_name);
    prctl(PR_SET_NAME, "a b) c (d");
    const long vsize = ORV_get_virt_mem();
    prctl(PR_SET_NAME, old_name);
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const long expected = pages * sysconf(_SC_PAGESIZE);
    EXPECT_NEAR(vsize, expected, expected / 8);
}

TEST_F(SystemTest, ProcessTableHoldsTenEntries) {
    for (int i = 0; i < kProcSlots; ++i) EXPECT_EQ(ORV_add_proc(100000 + i), i);
    EXPECT_EQ(ORV_add_proc(200000), -1);
    EXPECT_EQ((std::vector{ORV_proc(3), ORV_proc(kProcSlots), ORV_proc(-1), ORV_add_proc(0)}),
              (std::vector{100003, 0, 0, -1}));
}

TEST_F(SystemTest, RunWaitsAndReportsTheStatus) {
    char sh[] = "sh", dash_c[] = "-c", code[] = "exit 3", missing[] = "no-such-program-here";
    char* const with_status[] = {sh, dash_c, code, nullptr};
    char* const not_found[] = {missing, nullptr};
    EXPECT_EQ((std::vector{ORV_run("sh", with_status, nullptr, kRunWait), ORV_run(missing, not_found, nullptr, kRunWait),
                           ORV_run(nullptr, not_found, nullptr, kRunWait)}),
              (std::vector{3, 127, -1}));
}

int exit_with_arg(void* arg) { return *static_cast<int*>(arg); }

TEST_F(SystemTest, BackgroundChildrenAreTrackedAndReaped) {
    int arg = 0;
    const int pid = ORV_run_func(exit_with_arg, &arg);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(ORV_proc(0), pid);
    char t[] = "true";
    char* const argv[] = {t, nullptr};
    const int pid2 = ORV_run("true", argv, nullptr, kRunBackground);
    ASSERT_GT(pid2, 0);
    // The first child may already be gone and its slot reused.
    EXPECT_TRUE(ORV_proc(0) == pid2 || ORV_proc(1) == pid2);
    EXPECT_TRUE(eventually([] { return ORV_chk_proc() == 0; }));
    EXPECT_EQ(ORV_proc(0), 0);
}

TEST_F(SystemTest, BackProcDetachesTheChild) {
    const fs::path report = dir_ / "report.txt";
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (ORV_back_proc() != 1) _exit(3);
        const bool ok = is_dev_null(0) && is_dev_null(1) && is_dev_null(2) &&
                        getsid(0) == getpid() && getppid() != 0;
        const fs::path tmp = dir_ / "report.tmp";
        if (std::FILE* f = std::fopen(tmp.c_str(), "w")) {
            std::fputs(ok ? "detached" : "attached", f);
            std::fclose(f);
            std::rename(tmp.c_str(), report.c_str());
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);  // the calling process ends with status 0
    ASSERT_TRUE(eventually([&] { return fs::exists(report); }));
    std::string text;
    std::ifstream(report) >> text;
    EXPECT_EQ(text, "detached");
}

TEST_F(SystemTest, ExitEndsWithTheStatus) {
    EXPECT_EXIT(ORV_exit(5), ::testing::ExitedWithCode(5), "");
}
}  // namespace
}  // namespace orv
