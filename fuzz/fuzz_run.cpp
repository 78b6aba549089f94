// The whole program on arbitrary input files, in-process: the input step,
// the set-up, a few cycles of whatever run the input asks for, every writer
// and the summary, in the scratch folder.  A stop is an ordinary end; any
// other exception, a crash or a summary that is not JSON is a finding.
//
// Inputs that ask for a grid above kMaxVoxels or for more than kMaxThreads
// threads are passed over, so that every run takes milliseconds.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "fuzz/harness.h"
#include "sequence/summary_file.h"

namespace {

constexpr double kMaxVoxels = 24 * 24 * 24;
constexpr double kMaxThreads = 2;

// The largest product of the numbers after the word `key` at the start of a
// line (a number below 1 counts as 1), or 0 when no line starts so.
double largest_product(const std::string& text, const std::string& key) {
    std::istringstream lines(text);
    std::string line;
    double largest = 0;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        if (!(words >> word) || word != key) continue;
        double product = 1;
        while (words >> word) {
            char* end = nullptr;
            const double v = std::strtod(word.c_str(), &end);
            if (end == word.c_str()) break;
            product *= std::isfinite(v) && v > 1 ? v : 1;
        }
        largest = std::max(largest, product);
    }
    return largest;
}

// Plans measured once are found again in the scratch folder's own cache.
void once() {
    static const bool done = [] {
        setenv("XDG_CACHE_HOME", quilmo_fuzz::scratch().c_str(), 1);
        return true;
    }();
    (void)done;
}

void clear_scratch() {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(quilmo_fuzz::scratch(), ec))
        if (e.is_regular_file(ec) || e.is_symlink(ec)) std::filesystem::remove(e.path(), ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (largest_product(text, "voxel") > kMaxVoxels || largest_product(text, "threads") > kMaxThreads) return 0;
    once();
    const std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::current_path(quilmo_fuzz::scratch());
    quilmo_fuzz::write_file("run.Quilmo", data, size);
    {
        std::ostringstream con;
        std::istringstream conin;  // no console answers: a prompt ends in a stop
        quilmo::RunState st;
        st.con = &con;
        st.conin = &conin;
        st.args = {"run", "4"};  // four cycles at most
        quilmo_fuzz::until_stop([&] { quilmo::summarized_run(st); });
    }
    std::error_code ec;
    if (std::filesystem::exists("run.QLsum.json.part", ec)) std::abort();
    if (std::filesystem::exists("run.QLsum.json", ec)) {
        std::ifstream f("run.QLsum.json", std::ios::binary);
        const std::string summary((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (!nlohmann::json::accept(summary)) std::abort();
    }
    clear_scratch();
    std::filesystem::current_path(home);
    return 0;
}
