#include "core/table.hpp"
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

namespace orv {
namespace {

struct Station { int number; char name[12]; };

class Table : public ::testing::Test {
protected:
    void SetUp() override { TAB_init(&t_); }
    void TearDown() override { TAB_clear(&t_); }
    int enter(int number, const char* name, const char* id, const char* wmo) {
        Station s{number, {}};
        std::strncpy(s.name, name, sizeof s.name - 1);
        return TAB_enter(&t_, &s, id, wmo);
    }
    HashTable t_;
};

TEST_F(Table, EntriesAreFoundByEveryKeyAndCopied) {
    ASSERT_EQ(TAB_create(&t_, 7, sizeof(Station), 2), 0);
    ASSERT_EQ(enter(1, "Denver", "KDEN", "72565"), 0);
    ASSERT_EQ(enter(2, "Boston", "KBOS", "72509"), 0);
    for (int i = 3; i < 60; ++i) {  // long bucket chains
        const std::string id = "X" + std::to_string(i);
        ASSERT_EQ(enter(i, "other", id.c_str(), nullptr), 0);
    }
    auto* by_id = static_cast<Station*>(TAB_search(&t_, 1, "KDEN"));
    auto* by_wmo = static_cast<Station*>(TAB_search(&t_, 2, "72565"));
    ASSERT_NE(by_id, nullptr);
    EXPECT_EQ(by_id, by_wmo) << "the k slots share one copy of the data";
    EXPECT_STREQ(by_id->name, "Denver");
    EXPECT_EQ(static_cast<Station*>(TAB_search(&t_, 1, "X42"))->number, 42);
    EXPECT_EQ(TAB_search(&t_, 1, "kden"), nullptr) << "keys are case-sensitive";
    EXPECT_EQ(TAB_search(&t_, 2, "KDEN"), nullptr);
    EXPECT_EQ(TAB_search(&t_, 0, "KDEN"), nullptr);
    EXPECT_EQ(TAB_search(&t_, 3, "KDEN"), nullptr);
    EXPECT_EQ(TAB_enter(&t_, by_id, "only one key"), -1);
}

TEST_F(Table, SearchesAndInsertionOrder) {
    ASSERT_EQ(TAB_create(&t_, 3, sizeof(Station), 2), 0);
    enter(1, "a", "SAME", "1");
    enter(2, "b", "OTHER", "2");
    enter(3, "c", "SAME", "3");
    enter(4, "d", "SAME", "4");
    void* out[2];
    EXPECT_EQ(TAB_searches(&t_, 1, "SAME", out, 2), 2);
    EXPECT_EQ(static_cast<Station*>(out[0])->number, 1);
    EXPECT_EQ(static_cast<Station*>(out[1])->number, 3);
    void* all[10];
    EXPECT_EQ(TAB_searches(&t_, 1, "SAME", all, 10), 3);
    EXPECT_EQ(static_cast<Station*>(all[2])->number, 4);
    EXPECT_EQ(TAB_searches(&t_, 1, "NONE", all, 10), 0);
    std::vector<int> order;
    for (void* p = TAB_first(&t_); p != nullptr; p = TAB_next(&t_)) order.push_back(static_cast<Station*>(p)->number);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(TAB_next(&t_), nullptr);
}

TEST_F(Table, ClearAndUncreatedTables) {
    EXPECT_EQ(TAB_search(&t_, 1, "x"), nullptr);
    EXPECT_EQ(TAB_first(&t_), nullptr);
    EXPECT_EQ(TAB_enter(&t_, nullptr), -1);
    EXPECT_EQ(TAB_create(&t_, 0, 4, 1), -1);
    EXPECT_EQ(TAB_create(&t_, 10, 4, 0), -1);
    ASSERT_EQ(TAB_create(&t_, 10, sizeof(Station), 2), 0);
    enter(1, "a", "A", "1");
    ASSERT_EQ(TAB_create(&t_, 10, sizeof(Station), 2), 0) << "re-creating empties the table";
    EXPECT_EQ(TAB_search(&t_, 1, "A"), nullptr);
    enter(2, "b", "B", "2");
    TAB_clear(&t_);
    EXPECT_EQ(TAB_search(&t_, 1, "B"), nullptr);
    EXPECT_EQ(TAB_first(&t_), nullptr);
}
}  // namespace
}  // namespace orv
