#include "import/hkl.h"

#include <cmath>

#include "import/problem.h"

namespace quilmo {

namespace {

// Columns [start, start + width) of the line, blanks at both ends removed.
std::string field(const std::string& line, std::size_t start, std::size_t width) {
    if (start >= line.size()) return {};
    std::string f = line.substr(start, width);
    const std::size_t a = f.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    const std::size_t b = f.find_last_not_of(" \t");
    return f.substr(a, b - a + 1);
}

int index_field(const std::string& line, std::size_t start, const std::string& file, int n, const char* what) {
    const std::string f = field(line, start, 4);
    return f.empty() ? 0 : whole_number(f, file, n, what);
}

// An F8.2 field: blank is 0, a number without decimal point has two
// implied decimals.
double value_field(const std::string& line, std::size_t start, const std::string& file, int n, const char* what) {
    const std::string f = field(line, start, 8);
    if (f.empty()) return 0;
    const double v = real_number(f, file, n, what);
    return f.find('.') == std::string::npos ? v / 100 : v;
}

}  // namespace

ReflectionFile read_hkl(const std::string& text, const std::string& file, int hklf, double scale,
                        const std::array<double, 9>& matrix) {
    ReflectionFile r;
    r.file = file;
    r.intensities = hklf != 3;
    r.kind = "HKLF " + std::to_string(hklf);
    const std::vector<std::string> lines = split_lines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        const int n = static_cast<int>(i) + 1;
        if (l.find('\t') != std::string::npos) bad_input(file, n, "a tab in a file of fixed columns");
        const int h[3] = {index_field(l, 0, file, n, "h"), index_field(l, 4, file, n, "k"),
                          index_field(l, 8, file, n, "l")};
        if (h[0] == 0 && h[1] == 0 && h[2] == 0) break;
        Observation o;
        o.line = n;
        for (int a = 0; a < 3; ++a) {
            double t = 0;
            for (int b = 0; b < 3; ++b) t += matrix[static_cast<std::size_t>(3 * a + b)] * h[b];
            if (!(std::fabs(t) < 10000) || std::fabs(t - std::round(t)) > 1e-3)
                bad_input(file, n, "the HKLF matrix gives indices that are no whole numbers");
            o.h[static_cast<std::size_t>(a)] = static_cast<int>(std::round(t));
        }
        o.value = scale * value_field(l, 12, file, n, r.intensities ? "I" : "F");
        o.sigma = scale * value_field(l, 20, file, n, r.intensities ? "sigma(I)" : "sigma(F)");
        ++r.read;
        r.keep(o);
    }
    return r;
}

}  // namespace quilmo
