#include "core/files.hpp"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace orv {
namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/files_test_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        FILE_reset_for_tests();
    }
    void TearDown() override {
        FILE_reset_for_tests();
        const std::string cmd = "rm -rf '" + dir_ + "'";
        if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cannot remove " << dir_;
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    static std::string slurp(const std::string& p) {
        std::ifstream in(p);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::string dir_;
};

std::string home_of_user() {
    const struct passwd* pw = getpwuid(getuid());
    return pw != nullptr ? pw->pw_dir : "";
}

TEST_F(FilesTest, StandardAndFullNames) {
    for (const char* s : {"", "-", "std", "STD", "stdn", "StdN"}) EXPECT_EQ(FILE_is_stdio(s), 1) << s;
    EXPECT_EQ(FILE_is_stdio(nullptr), 1);
    for (const char* s : {"stdout", "--", "x"}) EXPECT_EQ(FILE_is_stdio(s), 0) << s;
    for (const char* s : {"./a", "/a", "~/a", "..", "~"}) EXPECT_EQ(FILE_fullpath(s), 1) << s;
    for (const char* s : {"a/b", "", "-"}) EXPECT_EQ(FILE_fullpath(s), 0) << s;
}

TEST_F(FilesTest, JoiningPaths) {
    char out[kFileNameSize];
    EXPECT_STREQ(FILE_add_path("/data", "x.mos", out), "/data/x.mos");
    EXPECT_STREQ(FILE_add_path("/data/", "x.mos", out), "/data/x.mos");
    EXPECT_STREQ(FILE_add_path(nullptr, "x.mos", out), "x.mos");
    EXPECT_STREQ(FILE_add_path("", "x.mos", out), "x.mos");
    EXPECT_STREQ(FILE_add_path("/data", "/abs/x", out), "/abs/x");
    EXPECT_STREQ(FILE_add_path("/data", "~/x", out), "~/x");
    EXPECT_STREQ(FILE_add_path("/data", "-", out), "-");
    const std::string longdir(300, 'd');
    FILE_add_path(longdir.c_str(), "x", out);
    EXPECT_EQ(std::string(out), longdir.substr(0, kFileNameSize - 1));

    char text[kFileNameSize] = "/a/b";
    EXPECT_STREQ(FILE_add_path_delim(text), "/a/b/");
    EXPECT_STREQ(FILE_add_path_delim(text), "/a/b/");
    char empty[4] = "";
    EXPECT_STREQ(FILE_add_path_delim(empty, sizeof empty), "");
    char full[4] = "abc";
    EXPECT_STREQ(FILE_add_path_delim(full, sizeof full), "abc");
}

TEST_F(FilesTest, HomeDirectoryExpansion) {
    const std::string home = home_of_user();
    ASSERT_FALSE(home.empty());
    char out[kFileNameSize];
    EXPECT_EQ(std::string(FILE_add_user_path("~", out)), home);
    EXPECT_EQ(std::string(FILE_add_user_path("~/etc/x", out)), home + "/etc/x");
    EXPECT_STREQ(FILE_add_user_path("~no_such_user_here/x", out), "~no_such_user_here/x");
    EXPECT_STREQ(FILE_add_user_path("plain/~x", out), "plain/~x");
    const struct passwd* root = getpwnam("root");
    if (root != nullptr) {
        EXPECT_EQ(std::string(FILE_add_user_path("~root/y", out)), std::string(root->pw_dir) + "/y");
    }
}

TEST_F(FilesTest, WritingCreatesMissingDirectoriesAndQueriesSeeTheFile) {
    const std::string p = path("a/b/c/out.txt");
    std::FILE* f = FILE_open(p.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("hello", f);
    EXPECT_EQ(FILE_close(f), 0);
    EXPECT_EQ(FILE_exist(p.c_str()), 1);
    EXPECT_EQ(FILE_is_file(p.c_str()), 1);
    EXPECT_EQ(FILE_is_dir(p.c_str()), 0);
    EXPECT_EQ(FILE_is_dir(path("a/b").c_str()), 1);
    EXPECT_EQ(FILE_size(p.c_str()), 5);
    EXPECT_GT(FILE_modtime(p.c_str()), 0);
    f = FILE_open(p.c_str(), "a");
    ASSERT_NE(f, nullptr);
    std::fputs(" again", f);
    FILE_close(f);
    EXPECT_EQ(slurp(p), "hello again");
    EXPECT_EQ(FILE_delete(p.c_str()), 0);
    EXPECT_EQ(FILE_exist(p.c_str()), 0);
    EXPECT_EQ(FILE_size(p.c_str()), -1);
    EXPECT_EQ(FILE_modtime(p.c_str()), -1);
    EXPECT_EQ(FILE_delete(p.c_str()), -1);
    EXPECT_EQ(FILE_open(path("nothing/here").c_str(), "r"), nullptr);
    EXPECT_EQ(FILE_exist(path("nothing").c_str()), 0);
}

TEST_F(FilesTest, SpecialFiles) {
    EXPECT_EQ(FILE_exist("-"), 1);
    EXPECT_EQ(FILE_is_device("/dev/null"), 1);
    EXPECT_EQ(FILE_is_file("/dev/null"), 0);
    const std::string fifo = path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(FILE_is_fifo(fifo.c_str()), 1);
    EXPECT_EQ(FILE_is_fifo(dir_.c_str()), 0);
    EXPECT_EQ(FILE_open("-", "r"), stdin);
    EXPECT_EQ(FILE_open("std", "w"), stdout);
    EXPECT_EQ(FILE_close(stdin), 0);
    EXPECT_NE(fileno(stdin), -1);  // the standard streams stay open
}

TEST_F(FilesTest, CommandPipes) {
    const std::string out = path("piped.txt");
    std::FILE* w = FILE_open(("|cat > '" + out + "'").c_str(), "w");
    ASSERT_NE(w, nullptr);
    std::fputs("through a pipe\n", w);
    EXPECT_EQ(FILE_close(w), 0);  // waits for the command
    EXPECT_EQ(slurp(out), "through a pipe\n");

    std::FILE* r = FILE_open("|echo from command", "r");
    ASSERT_NE(r, nullptr);
    char line[64] = "";
    ASSERT_NE(std::fgets(line, sizeof line, r), nullptr);
    EXPECT_STREQ(line, "from command\n");
    EXPECT_EQ(FILE_close(r), 0);
}

TEST_F(FilesTest, MakeDirectoryLevels) {
    EXPECT_EQ(FILE_make_dir(path("x/y/file").c_str(), 1), 0);
    EXPECT_EQ(FILE_is_dir(path("x/y").c_str()), 1);
    EXPECT_EQ(FILE_exist(path("x/y/file").c_str()), 0);
    EXPECT_EQ(FILE_make_dir(path("x/y/file").c_str(), 1), 1);
    EXPECT_EQ(FILE_make_dir(path("p\\q\\r").c_str(), 0), 0);
    EXPECT_EQ(FILE_is_dir(path("p/q/r").c_str()), 1);
    EXPECT_EQ(FILE_make_dir(path("s/t/u/v").c_str(), 2), 0);
    EXPECT_EQ(FILE_is_dir(path("s/t").c_str()), 1);
    EXPECT_EQ(FILE_exist(path("s/t/u").c_str()), 0);
    EXPECT_EQ(ORV_share(), 0);
}

TEST_F(FilesTest, TimeSettingIsCopiedAndReset) {
    DateRecord t{};
    FILE_get_time(&t);
    EXPECT_EQ(t.year, -9999);
    EXPECT_EQ(t.minute, -9999);
    const DateRecord set{2005, 3, 15, 74, 2, 12, -30, 0};
    FILE_set_time(&set);
    FILE_get_time(&t);
    EXPECT_EQ(t.year, 2005);
    EXPECT_EQ(t.hour, 12);
    EXPECT_EQ(t.minute, -30);
    FILE_reset_time();
    FILE_get_time(&t);
    EXPECT_EQ(t.year, -9999);
    EXPECT_EQ(t.month, -9999);
    EXPECT_EQ(t.day, -9999);
    EXPECT_EQ(t.hour, -9999);
    EXPECT_EQ(t.minute, -9999);
    EXPECT_EQ(t.second, 0);  // only the five setting fields are cleared
}

}  // namespace
}  // namespace orv
