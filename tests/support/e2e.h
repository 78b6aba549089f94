// Helpers for tests that run the real quilmo and quilmo-import programs in a
// scratch folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quilmo_test {

// A fresh, empty folder under the system's temporary directory, removed
// again when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    void write(const std::string& name, const std::string& content) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::filesystem::path path_;
};

struct RunResult {
    int status = -1;  // exit status of the program
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs the quilmo program in `dir` with the arguments, feeding `input` to its
// standard input.
RunResult run_quilmo(const TempDir& dir, const std::vector<std::string>& args,
                     const std::string& input = "");

// Runs the quilmo-import program in `dir` with the arguments.
RunResult run_import(const TempDir& dir, const std::vector<std::string>& args);

// A run of the quilmo program that goes on while the test acts on its files
// (for example writes a command file); finish() waits for its end.
class RunningQuilmo {
public:
    RunningQuilmo(const TempDir& dir, const std::vector<std::string>& args);
    RunResult finish();

private:
    const TempDir& dir_;
    int pid_ = -1;
};

// Whole content of a file; empty when it cannot be read.
std::string slurp(const std::filesystem::path& p);

// Lines of a text, each without its LF and without a CR before it.
std::vector<std::string> lines_of(const std::string& text);

}  // namespace quilmo_test
