#include "support/e2e.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace quilmo_test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = fs::temp_directory_path() / ("quilmo_test_" + std::to_string(rd()));
        if (fs::create_directory(p)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, const std::string& content) const {
    std::ofstream f(path_ / name, std::ios::binary);
    f << content;
}

std::string TempDir::read(const std::string& name) const { return slurp(path_ / name); }

bool TempDir::exists(const std::string& name) const { return fs::exists(path_ / name); }

std::string slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::string cur;
    for (char c : text) {
        if (c == '\n') {
            if (!cur.empty() && cur.back() == '\r') cur.pop_back();
            lines.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

namespace {

int spawn(const TempDir& dir, const std::vector<std::string>& args, const char* program = QUILMO_EXE) {
    const fs::path in = dir / ".stdin", out = dir / ".stdout", err = dir / ".stderr";
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (chdir(dir.path().c_str()) != 0) _exit(127);
        if (!freopen(in.c_str(), "r", stdin) || !freopen(out.c_str(), "w", stdout) ||
            !freopen(err.c_str(), "w", stderr))
            _exit(127);
        std::vector<char*> argv;
        std::string exe = program;
        argv.push_back(exe.data());
        std::vector<std::string> copy = args;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

RunResult collect(const TempDir& dir, int pid) {
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    RunResult r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    r.out = slurp(dir / ".stdout");
    r.err = slurp(dir / ".stderr");
    for (const char* f : {".stdin", ".stdout", ".stderr"}) fs::remove(dir / f);
    return r;
}

}  // namespace

RunResult run_quilmo(const TempDir& dir, const std::vector<std::string>& args,
                     const std::string& input) {
    dir.write(".stdin", input);
    return collect(dir, spawn(dir, args));
}

RunResult run_import(const TempDir& dir, const std::vector<std::string>& args) {
    dir.write(".stdin", "");
    return collect(dir, spawn(dir, args, QUILMO_IMPORT_EXE));
}

RunningQuilmo::RunningQuilmo(const TempDir& dir, const std::vector<std::string>& args) : dir_(dir) {
    dir.write(".stdin", "");
    pid_ = spawn(dir, args);
}

RunResult RunningQuilmo::finish() { return collect(dir_, pid_); }

}  // namespace quilmo_test
