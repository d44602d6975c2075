#include "core/mqueue.hpp"
#include "core/mess.hpp"
#include <gtest/gtest.h>
#include <csignal>
#include <random>
#include <string>
#include <utility>
#include <vector>
#include "core/loop_window.hpp"

namespace orv {
namespace {

constexpr int kQueue = 7;  // queue number; the offset is randomised per test

// The peer answers until it gets "stop", which it does not answer.
bool answer(int h, int ch, const std::string& r) {
    if (r == "query res domain") {
        MQ_sput(h, ch, 0, "us\n");
        MQ_sput(h, ch, 0, "!note");
        MQ_sput(h, ch, 1, "%s", "");
    } else if (r.rfind("query res ", 0) == 0) {
        MQ_sput(h, ch, 1, "%s", "");
    } else if (r.rfind("set res ", 0) == 0) {
        MQ_sput(h, ch, 1, "%d:%s", ch, r.c_str() + 8);
    } else if (r.rfind("len ", 0) == 0) {
        MQ_sput(h, ch, 2, "%zu", r.size());
    } else if (r == "quit") {
        MQ_sput(h, ch, -3, "bye");
    } else if (r != "stop") {
        MQ_sput(h, ch, 9, "?");
    }
    return r != "stop";
}

int g_caught = 0;
void catch_timeout(int sig) { g_caught = sig; }

class MqueueTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        MQ_reset_for_tests();
        MESS_reset_for_tests();
        if (sysv() && !orv::testing::sysv_queues_available()) GTEST_SKIP() << "System V message queues are not available here";
        MQ_settype(GetParam());
        // A peer that stops answering fails the test instead of ending it.
        MQ_timeout(5);
        MQ_timeout_func(catch_timeout);
        g_caught = 0;
        pick_offset();
    }
    void TearDown() override {
        EXPECT_EQ(g_caught, 0) << "an exchange timed out";
        orv::testing::end_loop_window(server_, false);
        MQ_reset_for_tests();
        if (sysv()) orv::testing::remove_sysv_queue(offset_ + kQueue);
    }
    bool sysv() const { return GetParam() == 0; }
    void pick_offset() {
        std::random_device rd;
        const unsigned r = rd() ^ (static_cast<unsigned>(getpid()) << 8);
        offset_ = sysv() ? 0x4D000000 + static_cast<int>(r & 0xFFFFFF) : 20000 + static_cast<int>(r % 40000);
        MQ_offset(offset_);
    }
    // Starts the peer; on TCP a port in use makes it try another offset.
    void start_server() {
        for (int attempt = 0; attempt < 10 && server_ <= 0; ++attempt) {
            server_ = orv::testing::start_loop_window(kQueue, answer);
            if (server_ <= 0) pick_offset();
        }
        ASSERT_GT(server_, 0) << "could not start the serving side";
    }
    int server_exit_status() { return orv::testing::end_loop_window(std::exchange(server_, -1)); }
    int connected_client() {
        const int h = MQ_open(kQueue);
        EXPECT_GE(h, 0);
        return h;
    }
    // One reply on the channel: "status:text".
    std::string reply(int h, int ch) {
        const int r = MQ_get(h, ch, text_);
        return std::to_string(r) + ":" + text_;
    }
    int offset_ = 0;
    pid_t server_ = -1;
    char text_[kMqBufferSize] = {};
};

TEST_P(MqueueTest, ClientsGetTheirOwnChannelsAndReplies) {
    start_server();
    const int a = connected_client();
    const int b = connected_client();
    ASSERT_EQ(MQ_connect(a), 3);
    ASSERT_EQ(MQ_connect(b), 4);
    // Both ask before either reads: each reply must reach its own client.
    ASSERT_EQ(MQ_put(a, 3, "query res %s", "domain"), 0);
    ASSERT_EQ(MQ_put(b, 4, "set res batch %d", 1), 0);
    EXPECT_EQ(reply(b, 4), "1:4:batch 1");
    EXPECT_EQ(reply(a, 3), "0:us\n");
    EXPECT_EQ(reply(a, 3), "0:!note");
    EXPECT_EQ(reply(a, 3), "1:");
    // A request longer than a message is cut to 120 characters, digit included.
    ASSERT_EQ(MQ_put(a, 3, "len %s", std::string(300, 'x').c_str()), 0);
    EXPECT_EQ(reply(a, 3), "2:119");
    EXPECT_EQ(MQ_put(b, 4, "quit"), 0);
    EXPECT_EQ(reply(b, 4), "-3:bye");
    EXPECT_EQ(MQ_put(a, 3, "stop"), 0);
    EXPECT_EQ(server_exit_status(), 0);
    // With the loop window gone, waiting ends at once and nothing opens.
    EXPECT_EQ(MQ_get(a, 3, text_), -3);
    EXPECT_EQ(MQ_open(kQueue), -1);
    EXPECT_EQ(MQ_close(a), 0);
    EXPECT_EQ(MQ_close(b), 0);
}

TEST_P(MqueueTest, NineteenChannelsAtMostAndQuitFreesOne) {
    start_server();
    std::vector<int> clients;
    for (int channel = 3; channel <= 21; ++channel) {
        clients.push_back(connected_client());
        ASSERT_EQ(MQ_connect(clients.back()), channel);
    }
    const int extra = connected_client();
    EXPECT_EQ(MQ_connect(extra), -1);
    ASSERT_EQ(MQ_put(clients[2], 5, "quit"), 0);
    EXPECT_EQ(reply(clients[2], 5), "-3:bye");
    EXPECT_EQ(MQ_connect(extra), 5);
    ASSERT_EQ(MQ_put(extra, 5, "set res a b"), 0);
    EXPECT_EQ(reply(extra, 5), "1:5:a b");
    ASSERT_EQ(MQ_put(clients[0], 3, "stop"), 0);
    EXPECT_EQ(server_exit_status(), 0);
}

TEST_P(MqueueTest, MissingQueueOrBadHandleFails) {
    EXPECT_EQ(MQ_open(kQueue), -1);
    EXPECT_EQ(MQ_connect(0), -1);
    EXPECT_EQ(MQ_put(0, 3, "x"), -1);
    EXPECT_EQ(MQ_get(-5, 3, text_), -3);
    EXPECT_EQ(MQ_sget(0, nullptr, text_), -1);
    EXPECT_EQ(MQ_sput(40, 3, 0, "x"), -1);
    EXPECT_EQ(MQ_close(3), -1);
}

TEST_P(MqueueTest, SilentLoopWindowEndsTheClientWithStatus7) {
    const int h = MQ_create(kQueue);
    ASSERT_GE(h, 0);
    EXPECT_EXIT(
        {
            MQ_timeout(1);
            MQ_timeout_func(nullptr);
            const int c = MQ_open(kQueue);
            MQ_get(c, 3, text_);
        },
        ::testing::ExitedWithCode(7), "Queue not responding!!\n");
    EXPECT_EQ(MQ_del(h), 0);
}

TEST_P(MqueueTest, RequestsOfAClientThatLeftAreStillDelivered) {
    const int h = MQ_create(kQueue);
    ASSERT_GE(h, 0);
    const int c = MQ_open(kQueue);
    ASSERT_GE(c, 0);
    // Connect by hand (nobody answers in this process), ask twice and leave.
    ASSERT_EQ(MQ_put(c, -1, "%d", 1000), 0);
    ASSERT_EQ(MQ_put(c, 3, "set res a 1"), 0);
    ASSERT_EQ(MQ_put(c, 3, "quit"), 0);
    EXPECT_EQ(MQ_close(c), 0);
    int ch = 0;
    EXPECT_EQ(MQ_sget(h, &ch, text_), 3);
    EXPECT_EQ(ch, 3);
    EXPECT_STREQ(text_, "set res a 1");
    EXPECT_EQ(MQ_sget(h, &ch, text_), 3);
    EXPECT_STREQ(text_, "quit");
    EXPECT_EQ(MQ_del(h), 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, MqueueTest, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 0 ? std::string("SysV") : std::string("Tcp");
                         });
}  // namespace
}  // namespace orv
