#include "support/run_program.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

extern char** environ;

namespace orv::testing {

ScratchDir::ScratchDir() : path_((std::filesystem::temp_directory_path() / "orvtest.XXXXXX").string()) {
    if (mkdtemp(path_.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
}

ScratchDir::~ScratchDir() { std::filesystem::remove_all(path_, ignored_); }

void ScratchDir::write(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
    std::ofstream(file(name), std::ios::binary) << text;
}

bool feed_stdin(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return std::freopen(path.c_str(), "r", stdin) != nullptr;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string one_station_bulletin() {
    const std::string sample = read_file(ORV_SOURCE_DIR "/examples/mos_2026120600.txt");
    const std::size_t at = sample.find("KDEN   GFS MOS");
    if (at == std::string::npos) return {};
    return "101 \nFOUS21 KWNO 060000\nMAVME1\n" + sample.substr(at, sample.find("\n\n", at) - at) + "\n\n";
}

pid_t start_mosplot(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& input,
                    const std::vector<std::string>& env) {
    dir.write(".stdin", input);
    std::vector<std::string> envs;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, "orv", 3) != 0) envs.emplace_back(*e);
    const bool own_default = std::any_of(env.begin(), env.end(),
                                         [](const std::string& e) { return e.starts_with("orvdefault="); });
    if (!own_default) envs.push_back("orvdefault=" + dir.path());
    for (const auto& e : env) {
        // A later NAME=VALUE replaces the inherited one (DISPLAY in particular).
        const std::string name = e.substr(0, e.find('=') + 1);
        std::erase_if(envs, [&](const std::string& old) { return old.starts_with(name); });
        if (e.back() != '=') envs.push_back(e);
    }

    std::vector<char*> argv{const_cast<char*>(MOSPLOT_BIN)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : envs) envp.push_back(e.data());
    envp.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.path().c_str()) != 0) _exit(126);
        const char* files[3] = {".stdin", ".stdout", ".stderr"};
        for (int fd = 0; fd < 3; ++fd) {
            const int f = open(dir.file(files[fd]).c_str(), fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (f < 0 || dup2(f, fd) < 0) _exit(126);
        }
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

RunResult finish_mosplot(const ScratchDir& dir, pid_t pid, int timeout_seconds) {
    RunResult r;
    int status = 0;
    bool done = false;
    for (int waited = 0; pid > 0 && !done && waited < timeout_seconds * 20; ++waited) {
        done = waitpid(pid, &status, WNOHANG) == pid;
        if (!done) usleep(50000);
    }
    if (pid > 0 && !done) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else if (done && WIFEXITED(status)) {
        r.status = WEXITSTATUS(status);
    }
    r.out = read_file(dir.file(".stdout"));
    r.err = read_file(dir.file(".stderr"));
    return r;
}

std::vector<std::string> demo_args(const std::string& device, const std::vector<std::string>& more) {
    std::vector<std::string> args = {"-ba", "-me", "mess", "-mo", "gfs", "-if", "mos_dat", "-dp",
                                     ORV_SOURCE_DIR "/examples", "-re", "us", "-ft", "h24", "-va", "temp",
                                     "-pl", "cf", "-fm", "bar", "-gd", "ps,-97,39,-97,97,65,0.575,0.575",
                                     "-oa", "1,20", "-pp", "pscolor,lalo:10,lab:2:8:16", "-de", device};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

RunResult run_mosplot(const ScratchDir& dir, const std::vector<std::string>& args, const std::string& input,
                      const std::vector<std::string>& env) {
    return finish_mosplot(dir, start_mosplot(dir, args, input, env), 600);
}

RunResult run_command(const std::string& command) {
    RunResult r;
    std::FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return r;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) r.out.append(buffer, n);
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool have_program(const std::string& name) {
    return run_command("command -v " + name + " >/dev/null").status == 0;
}

}  // namespace orv::testing
