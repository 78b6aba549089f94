// The plan cache and the transform threads: where the cache lives, that
// remembered plans come back, and that no state of the cache file or its
// folder can break planning.
#include "fourier/wisdom.h"

#include <fftw3.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "support/e2e.h"

using namespace quilmo;
using quilmo_test::TempDir;
namespace fs = std::filesystem;

namespace {

// An in-place complex transform of the given extents on a buffer of its own.
struct Transform {
    std::vector<int> n;
    long size = 1;
    fftw_complex* data = nullptr;
    fftw_plan plan = nullptr;

    Transform(std::vector<int> extents, unsigned flags) : n(std::move(extents)) {
        for (int e : n) size *= e;
        data = fftw_alloc_complex(static_cast<std::size_t>(size));
        plan = fftw_plan_dft(static_cast<int>(n.size()), n.data(), data, data, FFTW_BACKWARD, flags);
    }
    ~Transform() {
        if (plan) fftw_destroy_plan(plan);
        fftw_free(data);
    }
    // A single 1 at point 0 must become 1 everywhere.
    bool transforms_a_point() {
        if (!plan) return false;
        for (long k = 0; k < size; ++k) data[k][0] = data[k][1] = 0;
        data[0][0] = 1;
        fftw_execute(plan);
        for (long k = 0; k < size; ++k)
            if (std::fabs(data[k][0] - 1) > 1e-12 || std::fabs(data[k][1]) > 1e-12) return false;
        return true;
    }
};

const std::vector<int> kGridA = {12, 10};
const std::vector<int> kGridB = {6, 9, 4};

bool remembered(const std::vector<int>& grid) {
    return Transform(grid, FFTW_MEASURE | FFTW_WISDOM_ONLY).plan != nullptr;
}

// Wisdom of grid A, as this FFTW writes it.
std::string grid_a_wisdom() {
    fft_threads(1);
    fftw_forget_wisdom();
    Transform(kGridA, FFTW_MEASURE);
    char* w = fftw_export_wisdom_to_string();
    std::string text(w);
    fftw_free(w);
    fftw_forget_wisdom();
    return text;
}

// Everything below `dir`, as paths relative to it.
std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        names.insert(fs::relative(e.path(), dir).string());
    return names;
}

}  // namespace

TEST(WisdomPath, CacheFolderAndSwitches) {
    struct Case {
        bool on;
        const char *xdg, *home, *off;
        const char* want;
    };
    const Case cases[] = {
        {true, "/x", "/h", nullptr, "/x/quilmo/fftw-wisdom"},
        {true, "/x/", "/h", nullptr, "/x/quilmo/fftw-wisdom"},
        {true, "", "/h", nullptr, "/h/.cache/quilmo/fftw-wisdom"},
        {true, nullptr, "/h", nullptr, "/h/.cache/quilmo/fftw-wisdom"},
        {true, "cache", "/h", nullptr, "/h/.cache/quilmo/fftw-wisdom"},  // relative: not usable
        {true, nullptr, "", nullptr, ""},
        {true, nullptr, "h", nullptr, ""},
        {true, "", nullptr, nullptr, ""},
        {false, "/x", "/h", nullptr, ""},
        {true, "/x", "/h", "1", ""},
        {true, "/x", "/h", "yes", ""},
        {true, "/x", "/h", "0", "/x/quilmo/fftw-wisdom"},
        {true, "/x", "/h", "", "/x/quilmo/fftw-wisdom"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wisdom_path(c.on, c.xdg, c.home, c.off), c.want)
            << c.on << " xdg=" << (c.xdg ? c.xdg : "unset") << " home=" << (c.home ? c.home : "unset")
            << " off=" << (c.off ? c.off : "unset");
    }
}

TEST(Wisdom, SavedPlansComeBackAndAccumulate) {
    TempDir dir;
    const std::string path = (dir / "cache/quilmo/fftw-wisdom").string();
    fftw_forget_wisdom();
    EXPECT_FALSE(load_wisdom(path));  // no file yet
    ASSERT_TRUE(Transform(kGridA, FFTW_MEASURE).plan);
    ASSERT_TRUE(save_wisdom(path));
    EXPECT_EQ(fs::status(dir / "cache/quilmo").permissions() & fs::perms::all, fs::perms::owner_all);
    fftw_forget_wisdom();
    EXPECT_FALSE(remembered(kGridA));

    // A second run on another grid: reads, plans, writes.
    ASSERT_TRUE(load_wisdom(path));
    EXPECT_TRUE(remembered(kGridA));
    ASSERT_TRUE(Transform(kGridB, FFTW_MEASURE).plan);
    ASSERT_TRUE(save_wisdom(path));
    fftw_forget_wisdom();

    ASSERT_TRUE(load_wisdom(path));
    EXPECT_TRUE(remembered(kGridA));
    EXPECT_TRUE(remembered(kGridB));
    EXPECT_TRUE(Transform(kGridB, FFTW_MEASURE).transforms_a_point());
    EXPECT_EQ(names_in(dir / "cache/quilmo"), std::set<std::string>{"fftw-wisdom"});
    fftw_forget_wisdom();
}

TEST(Wisdom, BrokenCacheFilesAreIgnoredAndForgotten) {
    const std::string good = grid_a_wisdom();
    ASSERT_GT(good.size(), 40u);
    std::string other_version = good;
    other_version.replace(other_version.find("fftw-3"), 6, "fftw-9");
    ASSERT_TRUE(fftw_import_wisdom_from_string(good.c_str()));
    const std::pair<const char*, std::string> files[] = {
        {"garbage", "this is no wisdom\n\x01\x02\xff"},
        {"cut in the middle", good.substr(0, good.size() / 2)},
        {"sound entries, then an unknown solver",
         good.substr(0, good.rfind(')')) + "  (fftw_nosuchsolver 0 #x1 #x1 #x0 #x1 #x2 #x3 #x4)\n)\n"},
        {"another FFTW version", other_version},
    };
    for (const auto& [what, content] : files) {
        TempDir dir;
        const fs::path path = dir / "fftw-wisdom";
        std::ofstream(path, std::ios::binary) << content;
        fftw_forget_wisdom();
        EXPECT_FALSE(load_wisdom(path.string())) << what;
        EXPECT_FALSE(remembered(kGridA)) << what;
        Transform t(kGridA, FFTW_MEASURE);
        EXPECT_TRUE(t.transforms_a_point()) << what;
        // The next save replaces the broken file with sound wisdom.
        EXPECT_TRUE(save_wisdom(path.string())) << what;
        fftw_forget_wisdom();
        EXPECT_TRUE(load_wisdom(path.string())) << what;
        EXPECT_TRUE(remembered(kGridA)) << what;
    }
    fftw_forget_wisdom();
}

TEST(Wisdom, AnUnwritableCacheLeavesNoTraceAndPlanningWorks) {
    fftw_forget_wisdom();
    Transform(kGridA, FFTW_MEASURE);
    using Prepare = void (*)(const fs::path& root);
    const std::pair<const char*, Prepare> cases[] = {
        {"folder blocked by a file", [](const fs::path& r) { std::ofstream(r / "quilmo") << "x"; }},
        {"folder in the file's place",
         [](const fs::path& r) { fs::create_directories(r / "quilmo/fftw-wisdom/d"); }},
        {"read-only folder",  // root writes there all the same
         [](const fs::path& r) {
             fs::create_directory(r / "quilmo");
             std::ofstream(r / "quilmo/fftw-wisdom") << "old";
             fs::permissions(r / "quilmo", fs::perms::owner_read | fs::perms::owner_exec);
         }},
    };
    for (const auto& [what, prepare] : cases) {
        TempDir dir;
        prepare(dir.path());
        const std::set<std::string> before = names_in(dir.path());
        if (geteuid() != 0 || std::string(what) != "read-only folder") {
            EXPECT_FALSE(save_wisdom((dir / "quilmo/fftw-wisdom").string())) << what;
            EXPECT_EQ(names_in(dir.path()), before) << what;
            if (fs::is_regular_file(dir / "quilmo/fftw-wisdom")) {
                EXPECT_EQ(dir.read("quilmo/fftw-wisdom"), "old") << what;
            }
        }
        EXPECT_TRUE(Transform(kGridB, FFTW_MEASURE).transforms_a_point()) << what;
        // The folder must be writable again for its removal.
        fs::permissions(dir / "quilmo", fs::perms::owner_all, fs::perm_options::add);
    }
    fftw_forget_wisdom();
}

// A run that reads the cache while another writes it must find sound wisdom
// every time, never a file half written.
TEST(Wisdom, AReaderNeverSeesAHalfWrittenFile) {
    TempDir dir;
    const std::string path = (dir / "fftw-wisdom").string();
    fftw_forget_wisdom();
    Transform(kGridA, FFTW_MEASURE);
    Transform(kGridB, FFTW_MEASURE);
    ASSERT_TRUE(save_wisdom(path));
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        for (int i = 0; i < 300; ++i) save_wisdom(path);
        _exit(0);
    }
    int reads = 0, failed = 0, status = 0;
    while (waitpid(writer, &status, WNOHANG) == 0) {
        ++reads;
        if (!load_wisdom(path)) ++failed;
    }
    EXPECT_EQ(failed, 0) << "of " << reads << " reads";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(names_in(dir.path()), std::set<std::string>{"fftw-wisdom"});
    fftw_forget_wisdom();
}

TEST(FftThreads, TwoThreadsGiveThreadedPlans) {
    auto threaded = [](int n) {
        fft_threads(n);
        Transform t({32, 32, 32}, FFTW_ESTIMATE);
        char* text = fftw_sprint_plan(t.plan);
        const bool thr = std::string(text).find("-thr-") != std::string::npos;
        std::free(text);
        return thr;
    };
    EXPECT_TRUE(threaded(2));
    EXPECT_FALSE(threaded(1));
}
