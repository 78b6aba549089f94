// Remembered plans and transform threads.  A measured plan of a large grid
// takes seconds to make; FFTW's wisdom keeps what the measurement found, so
// a per-user cache file of wisdom lets a later run on a grid seen before
// plan in milliseconds.  The cache is a convenience only: whatever goes wrong
// with it, the run plans afresh and says nothing.
//
// Order at the set-up of the transforms: fft_threads, WisdomLock,
// load_wisdom, making the plans, save_wisdom, end of the lock.  Each of them sets up FFTW's threads before
// anything else, also for one thread: the wisdom FFTW writes is bound to
// whether its threads were set up, so this must be the same in every run,
// and done before the first plan.
#pragma once

#include <string>

namespace quilmo {

// The cache file: $XDG_CACHE_HOME/quilmo/fftw-wisdom, or
// $HOME/.cache/quilmo/fftw-wisdom when XDG_CACHE_HOME is unset, empty or not
// an absolute path.  Empty (no cache) when `switched_on` is false (the
// input's plancache keyword), when QUILMO_NO_PLAN_CACHE is set to anything
// but "" or "0", or when neither folder variable is usable.
std::string wisdom_path(bool switched_on);
// The same rules on given values of the three variables (nullptr: unset).
std::string wisdom_path(bool switched_on, const char* xdg_cache_home, const char* home,
                        const char* no_plan_cache);

// Adds the wisdom of the file at `path` to the planner's; true when it was
// read.  An empty path, a missing or unreadable file and a file that is no
// wisdom of this FFTW are passed over; after a failed read the planner
// forgets all wisdom, so a half-read file cannot steer the plans.
bool load_wisdom(const std::string& path);

// Writes the planner's wisdom to `path`, creating its folder (mode 0700) if
// needed; true when written.  The file is written beside its final name and
// renamed into place, so a run that reads it while another writes it sees
// the old file or the new one, never a torn one.  Failures (read-only
// folder, full disk) leave the old file as it was and are not reported.
bool save_wisdom(const std::string& path);

// An exclusive hold on the cache folder of `path`, from the reading of the
// remembered plans to the writing back of the new ones: runs at the same
// time plan one after the other, and each finds what the earlier ones
// measured, so a plan the cache holds is never measured again and
// replaced.  Not held when the path is empty or the folder cannot be made or
// opened; nothing is waited for then.
class WisdomLock {
public:
    explicit WisdomLock(const std::string& path);
    ~WisdomLock();
    WisdomLock(const WisdomLock&) = delete;
    WisdomLock& operator=(const WisdomLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The planner's wisdom as FFTW writes it.
std::string wisdom_text();

// Plans made from now on use `n` threads (n >= 1).  The threads of FFTW are
// set up on the first call; with n = 1 the plans are those of a program
// without threads.  If the set-up fails the plans stay single-threaded.
void fft_threads(int n);

}  // namespace quilmo
