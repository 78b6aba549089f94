// The plan cache seen from outside: whatever state the user's cache folder is
// in, a run ends normally and writes its files; switched off, the run leaves
// the cache folder alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

#include "support/e2e.h"
#include "support/point_atoms.h"

using quilmo_test::run_quilmo;
using quilmo_test::RunResult;
using quilmo_test::TempDir;
namespace fs = std::filesystem;

namespace {

std::string mem_input(const std::string& extra = "") {
    const std::vector<quilmo_test::Atom> atoms = {{0.10, 0.20, 0.30, 6.0}, {0.50, 0.60, 0.70, 8.0}};
    return quilmo_test::point_atom_input(
        atoms, "MEM", "initialdensity flat\nalgorithm S-S AUTO 1.0\noutputformat QLascii\n" + extra,
        {16, 2, 1.0});
}

// Sets an environment variable for the programs a test starts, and puts the
// old value back at the end of the test.
class EnvSetting {
public:
    EnvSetting(const char* name, const char* value) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvSetting() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    EnvSetting(const EnvSetting&) = delete;
    EnvSetting& operator=(const EnvSetting&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        names.insert(fs::relative(e.path(), dir).string());
    return names;
}

// A normal end of a MEM run in `dir`.
void expect_normal_run(const TempDir& dir, const std::string& what) {
    RunResult r = run_quilmo(dir, {"atoms"});
    EXPECT_EQ(r.status, 0) << what << "\n" << r.out << r.err;
    EXPECT_EQ(r.err, "") << what;
    EXPECT_TRUE(dir.exists("atoms.asc")) << what;
    EXPECT_TRUE(dir.exists("atoms_diffour.m81")) << what;
    EXPECT_NE(dir.read("atoms.QLout").find("F-Constraints:"), std::string::npos) << what;
}

}  // namespace

TEST(PlanCache, ABrokenOrUnwritableCacheGivesANormalRun) {
    EnvSetting on("QUILMO_NO_PLAN_CACHE", nullptr);
    struct Case {
        const char* what;
        void (*prepare)(const fs::path& cache);
    };
    const Case cases[] = {
        {"corrupt cache file",
         [](const fs::path& c) {
             fs::create_directory(c / "quilmo");
             std::ofstream(c / "quilmo/fftw-wisdom") << "(fftw-3.3.10 fftw_wisdom #x0 garbage\n\x01\x02";
         }},
        {"read-only cache folder",  // root writes there all the same
         [](const fs::path& c) {
             fs::create_directory(c / "quilmo");
             fs::permissions(c / "quilmo", fs::perms::owner_read | fs::perms::owner_exec);
         }},
        {"a file in the cache folder's place", [](const fs::path& c) { std::ofstream(c / "quilmo") << "x"; }},
        {"a folder in the cache file's place",
         [](const fs::path& c) { fs::create_directories(c / "quilmo/fftw-wisdom/x"); }},
    };
    for (const Case& c : cases) {
        TempDir dir, cache;
        c.prepare(cache.path());
        EnvSetting xdg("XDG_CACHE_HOME", cache.path().c_str());
        dir.write("atoms.Quilmo", mem_input());
        expect_normal_run(dir, c.what);
        // A failed save leaves no half-written file behind.
        for (const std::string& name : names_in(cache.path()))
            EXPECT_EQ(name.find("fftw-wisdom."), std::string::npos) << c.what << ": " << name;
        if (fs::is_directory(cache / "quilmo"))
            fs::permissions(cache / "quilmo", fs::perms::owner_all, fs::perm_options::add);
    }
}

TEST(PlanCache, SwitchedOffTheRunLeavesTheCacheFolderAlone) {
    const std::pair<const char*, const char*> ways[] = {{"plancache no\nthreads 2\n", nullptr},
                                                        {"threads 1\n", "1"}};
    for (const auto& [keywords, env] : ways) {
        TempDir dir, cache;
        EnvSetting xdg("XDG_CACHE_HOME", cache.path().c_str());
        EnvSetting off("QUILMO_NO_PLAN_CACHE", env);
        dir.write("atoms.Quilmo", mem_input(keywords));
        expect_normal_run(dir, keywords);
        EXPECT_TRUE(names_in(cache.path()).empty()) << keywords;
    }
}

// Needs the set-up of the transforms to read and write the cache.
TEST(PlanCache, ARunFillsTheCacheAndTheNextRunKeepsIt) {
    EnvSetting on("QUILMO_NO_PLAN_CACHE", nullptr);
    TempDir dir, cache;
    EnvSetting xdg("XDG_CACHE_HOME", cache.path().c_str());
    dir.write("atoms.Quilmo", mem_input());
    expect_normal_run(dir, "first run");
    const fs::path file = cache / "quilmo/fftw-wisdom";
    ASSERT_TRUE(fs::is_regular_file(file));
    const std::string wisdom = quilmo_test::slurp(file);
    EXPECT_EQ(wisdom.rfind("(fftw-3", 0), 0u) << wisdom;
    for (const char* name : {"atoms.asc", "atoms_diffour.m81"}) fs::remove(dir / name);
    expect_normal_run(dir, "second run");
    EXPECT_EQ(names_in(cache.path()), (std::set<std::string>{"quilmo", "quilmo/fftw-wisdom"}));
}
