#include "fourier/wisdom.h"

#include <fcntl.h>
#include <fftw3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace quilmo {

namespace fs = std::filesystem;

namespace {

bool given(const char* v) { return v != nullptr && *v != '\0'; }

// The folder variables count only as absolute paths: a relative one would
// put the cache wherever the run happens to start.
bool absolute_folder(const char* v) { return given(v) && v[0] == '/'; }

// Setting up FFTW's threads adds solvers to the planner, and wisdom names
// the planner's set of solvers: wisdom written with one set cannot be read
// with the other.  So every routine here sets up the threads first, whatever
// their number, and the wisdom always belongs to the same set.  Returns
// whether FFTW's threads are usable.
bool threads_ready() {
    static const bool ready = fftw_init_threads() != 0;
    return ready;
}

// Creates `dir` and any missing parent folder, each with mode 0700.
bool make_folder(const fs::path& dir) {
    std::error_code ec;
    if (fs::is_directory(dir, ec)) return true;
    const fs::path parent = dir.parent_path();
    if (!parent.empty() && parent != dir && !make_folder(parent)) return false;
    if (::mkdir(dir.c_str(), 0700) == 0) return true;
    return errno == EEXIST && fs::is_directory(dir, ec);
}

}  // namespace

std::string wisdom_path(bool switched_on, const char* xdg_cache_home, const char* home,
                        const char* no_plan_cache) {
    if (!switched_on) return "";
    if (given(no_plan_cache) && std::string_view(no_plan_cache) != "0") return "";
    if (absolute_folder(xdg_cache_home))
        return (fs::path(xdg_cache_home) / "quilmo" / "fftw-wisdom").string();
    if (absolute_folder(home)) return (fs::path(home) / ".cache" / "quilmo" / "fftw-wisdom").string();
    return "";
}

std::string wisdom_path(bool switched_on) {
    return wisdom_path(switched_on, std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"),
                       std::getenv("QUILMO_NO_PLAN_CACHE"));
}

bool load_wisdom(const std::string& path) {
    threads_ready();
    if (path.empty()) return false;
    // Only a regular file: a fifo or a device in its place would block the
    // run or feed it without end.
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    if (fftw_import_wisdom_from_filename(path.c_str()) != 0) return true;
    fftw_forget_wisdom();
    return false;
}

bool save_wisdom(const std::string& path) {
    threads_ready();
    if (path.empty()) return false;
    const fs::path target(path);
    if (!make_folder(target.parent_path())) return false;
    std::string tmp = path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    FILE* f = ::fdopen(fd, "w");
    if (f == nullptr) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return false;
    }
    fftw_export_wisdom_to_file(f);
    // A write that failed on the way (full disk) shows in the error flag or
    // in the close that flushes the rest.
    const bool written = std::ferror(f) == 0;
    const bool closed = std::fclose(f) == 0;
    if (written && closed && std::rename(tmp.c_str(), path.c_str()) == 0) return true;
    ::unlink(tmp.c_str());
    return false;
}

WisdomLock::WisdomLock(const std::string& path) {
    if (path.empty()) return;
    const fs::path dir = fs::path(path).parent_path();
    if (!make_folder(dir)) return;
    fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        ::close(fd_);
        fd_ = -1;
        return;
    }
}

WisdomLock::~WisdomLock() {
    if (fd_ >= 0) ::close(fd_);  // closing lets go of the lock
}

std::string wisdom_text() {
    threads_ready();
    char* w = fftw_export_wisdom_to_string();
    if (w == nullptr) return "";
    std::string text(w);
    fftw_free(w);
    return text;
}

void fft_threads(int n) {
    if (threads_ready()) fftw_plan_with_nthreads(n < 1 ? 1 : n);
}

}  // namespace quilmo
