// The plans of charge flipping: taken from the cache's wisdom whatever a
// measurement now would choose, never replaced in the cache, the same for
// runs that plan at the same time, and made without timing when there is no
// cache.
#include <fftw3.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "fourier/fft.h"
#include "fourier/wisdom.h"
#include "support/e2e.h"
#include "support/run_state.h"

using namespace quilmo;
using quilmo_test::TempDir;

namespace {

// The user's cache folder for the programs and plannings of one test.
class CacheHome {
public:
    explicit CacheHome(const std::string& dir) {
        if (const char* v = std::getenv("XDG_CACHE_HOME")) old_ = v;
        setenv("XDG_CACHE_HOME", dir.c_str(), 1);
        unsetenv("QUILMO_NO_PLAN_CACHE");
    }
    ~CacheHome() {
        if (old_.empty())
            unsetenv("XDG_CACHE_HOME");
        else
            setenv("XDG_CACHE_HOME", old_.c_str(), 1);
    }

private:
    std::string old_;
};

std::string plan_text(fftw_plan p) {
    char* t = fftw_sprint_plan(p);
    std::string s(t);
    std::free(t);
    return s;
}

// The plans of a flipping run (or another run) on the grid.
std::string planned(const std::vector<int>& grid, bool flipping, bool cache = true) {
    RunState st;
    quilmo_test::set_grid(st, grid);
    st.flipcharge = flipping;
    st.plancache = cache;
    fftinit(st);
    const std::string text = plan_text(st.plan1.get()) + plan_text(st.plan2.get());
    fftfree(st);
    return text;
}

// The plans a given rigour chooses for the grid on arrays like a run's.
std::string chosen(const std::vector<int>& grid, unsigned flags) {
    RunState st;
    quilmo_test::set_grid(st, grid);
    std::vector<int> ext(grid.rbegin(), grid.rend());
    auto* half = reinterpret_cast<fftw_complex*>(st.sf.half());
    fftw_plan a = fftw_plan_dft_r2c(st.sdim, ext.data(), st.sf.density(), half, flags);
    fftw_plan b = fftw_plan_dft_c2r(st.sdim, ext.data(), half, st.sf.density(), flags);
    const std::string text = plan_text(a) + plan_text(b);
    fftw_destroy_plan(a);
    fftw_destroy_plan(b);
    return text;
}

const std::vector<int> kGrid = {18, 10, 15};

TEST(FlippingPlans, ComeFromTheCacheAndNeverReplaceIt) {
    TempDir home;
    const CacheHome using_it(home.path().string());
    const std::string file = (home / "quilmo/fftw-wisdom").string();
    // Wisdom of a patient planning stands in the cache: a flipping run takes
    // its plans, not what its own measurement would pick, and leaves the
    // file as it was.
    fft_threads(1);
    fftw_forget_wisdom();
    const std::string patient = chosen(kGrid, FFTW_PATIENT);
    ASSERT_TRUE(save_wisdom(file));
    const std::string before = quilmo_test::slurp(file);
    fftw_forget_wisdom();
    EXPECT_EQ(planned(kGrid, true), patient);
    EXPECT_EQ(quilmo_test::slurp(file), before);
    // Another run adds its grid; the flipping grid's plans stay.
    planned({8, 12, 6}, false);
    EXPECT_NE(quilmo_test::slurp(file), before);
    fftw_forget_wisdom();
    EXPECT_EQ(planned(kGrid, true), patient);
    // Without the cache, the plan chosen without timing, whatever the
    // planner remembers.
    fftw_forget_wisdom();
    const std::string estimate = chosen(kGrid, FFTW_ESTIMATE);
    ASSERT_TRUE(load_wisdom(file));
    EXPECT_EQ(planned(kGrid, true, false), estimate);
    EXPECT_NE(estimate, patient);
    fftw_forget_wisdom();
}

TEST(FlippingPlans, RunsPlanningAtTheSameTimeGetTheSamePlans) {
    TempDir home, out;
    const CacheHome using_it(home.path().string());
    fftw_forget_wisdom();
    pid_t child[2];
    for (int k = 0; k < 2; ++k) {
        child[k] = fork();
        ASSERT_GE(child[k], 0);
        if (child[k] == 0) {
            std::ofstream(out / ("plan" + std::to_string(k))) << planned({20, 14, 9}, true);
            _exit(0);
        }
    }
    for (pid_t c : child) {
        int status = 0;
        waitpid(c, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string first = out.read("plan0");
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(out.read("plan1"), first);
    // A later run finds the same plans in the cache.
    EXPECT_EQ(planned({20, 14, 9}, true), first);
    fftw_forget_wisdom();
}

}  // namespace
