// Runs the real mosplot binary in a scratch directory and collects what it wrote.
#pragma once

#include <string>
#include <vector>

namespace orv::testing {

struct RunResult {
    int status = -1;   // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// A fresh temporary directory, removed when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& text) const;

private:
    std::string path_;
};

// Runs `mosplot args...` in dir with `input` on standard input. The
// environment is cleared of orv* variables and the defaults search list is
// pointed at dir alone (unless `env` gives orvdefault); `env` adds NAME=VALUE
// pairs.
RunResult run_mosplot(const ScratchDir& dir, const std::vector<std::string>& args,
                      const std::string& input = "", const std::vector<std::string>& env = {});

std::string read_file(const std::string& path);

// Runs a shell command line; out holds its standard output and error.
RunResult run_command(const std::string& command);
// True when the program is found on the PATH.
bool have_program(const std::string& name);

// Writes text to the file at path and reads standard input from it from now
// on: false when that cannot be done.
bool feed_stdin(const std::string& path, const std::string& text);

}  // namespace orv::testing
