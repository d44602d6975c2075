// Runs the real mosplot binary in a scratch directory and collects what it wrote.
#pragma once

#include <sys/types.h>

#include <string>
#include <system_error>
#include <vector>

namespace orv::testing {

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out, err;
};

class ScratchDir {  // a fresh temporary directory, removed when the object goes
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
    std::error_code ignored_;
};

// The arguments of make run's demo map drawn to `device` ("png,map.png"),
// with `more` after them.
std::vector<std::string> demo_args(const std::string& device, const std::vector<std::string>& more = {});

// Runs `mosplot args...` in dir with `input` on standard input (ten minutes at
// most), in an environment without orv* variables, the defaults search list
// pointed at dir (unless `env` gives orvdefault); `env` adds NAME=VALUE pairs.
RunResult run_mosplot(const ScratchDir& dir, const std::vector<std::string>& args,
                      const std::string& input = "", const std::vector<std::string>& env = {});

// The same without waiting: start_mosplot returns the child's pid (an env
// entry "NAME=" removes NAME); finish_mosplot waits for it at most
// timeout_seconds (then kills it: status -1) and collects what it wrote.
pid_t start_mosplot(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& input = "",
                    const std::vector<std::string>& env = {});
RunResult finish_mosplot(const ScratchDir& dir, pid_t pid, int timeout_seconds);

std::string read_file(const std::string& path);

// A GFS bulletin holding one station (KDEN) of the shipped sample: the least a
// batch run needs to make a map.
std::string one_station_bulletin();

// Runs a shell command line; out holds its standard output and error.
RunResult run_command(const std::string& command);
bool have_program(const std::string& name);

// Writes text to the file at path and reads standard input from it from now on.
bool feed_stdin(const std::string& path, const std::string& text);

}  // namespace orv::testing
