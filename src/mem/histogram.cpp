#include "mem/histogram.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "density/reports.h"
#include "run/console.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// Bins are 0.2 wide; the histogram covers at most +-200 sigma (2001 bins),
// so that one wild residual (an F of 1e20, a huge B) cannot ask for
// gigabytes of bins or lines.  Residuals beyond are counted in the end bins.
constexpr double kMaxResidual = 200.0;

// Bin of a finite residual: nearest integer of 5r with halves away from
// zero, within the bounded range.
long bin_of(double r) { return std::lround(5.0 * std::clamp(r, -kMaxResidual, kMaxResidual)); }

int group_first(const RunState& st, int gnr) {
    int first = st.sec.g.start;
    for (int g = 1; g < gnr; ++g) first += st.gdiff(g);
    return first;
}

// Every residual, F-constraints first (F(000) included), then the groups.
// A residual that is not a finite number (a sigma of 0) has no bin: it is
// counted in `nonfinite` and left out.
std::vector<double> residuals(const RunState& st, long& nonfinite) {
    std::vector<double> res;
    for (int i = st.sec.f.start; i <= st.sec.f.end; ++i) res.push_back(residf(st, i));
    for (int g = 1; g <= st.ggroups; ++g) res.push_back(residg(st, g));
    const auto kept = std::remove_if(res.begin(), res.end(), [](double r) { return !std::isfinite(r); });
    nonfinite = static_cast<long>(res.end() - kept);
    res.erase(kept, res.end());
    return res;
}

// Residuals per bin lo..hi.
std::vector<int> bin_counts(const std::vector<double>& res, long lo, long hi) {
    std::vector<int> count;
    allocate_or_stop("Error allocating HstArray!",
                     [&] { count.assign(static_cast<std::size_t>(std::max(hi - lo + 1, 0L)), 0); });
    for (double r : res) ++count[static_cast<std::size_t>(bin_of(r) - lo)];
    return count;
}

// The lines before the bars: title, prior, date and time, and with key 1
// the weighting and the constrained moment.
void histogram_header(RunState& st, TextOut& o, int key) {
    o.write("('Start of histogram')");
    o.write("('Title: ',a)", {trim(st.title)});
    o.write("('Prior type: ',a)", {trim(st.initrhotype)});
    if (trim(st.initrhotype) != "flat") o.write("('Prior density file: ',a)", {trim(st.initrhofile)});
    read_clock(st);
    o.write("(11A)", {st.day, ".", st.month, ".", st.year, " Time: ", st.hour, ":", st.minutes, ".",
                      st.seconds});
    if (key == 1) {
        o.write("(2A)", {"Weighting: ", st.modwgkey[0] == ' ' ? std::string("No")
                                                               : trim(st.modwgkey.substr(0, 2))});
        o.write("(A,i2)", {"Constrained moment: ", st.actcon});
    }
}

// The scale line and the column heads of the bars; returns the count drawn
// as a hundred marks: the fullest bin when it holds more than 99 residuals,
// else 100, so that small counts keep one mark each.
int histogram_scale(TextOut& o, const std::vector<int>& count, long outside, long nonfinite) {
    int maxcnt = 0;
    for (int c : count) maxcnt = std::max(maxcnt, c);
    if (maxcnt <= 99) {
        maxcnt = 100;
        o.write("(A)", {"Not rescaled"});
    } else {
        o.write("(A,I3,A,I4)", {"Rescaled by ", 100, "/", maxcnt});
    }
    // Only unusual data get these lines; the layout is otherwise unchanged.
    if (outside > 0)
        o.write("(A)", {"Beyond +-200 sigma, counted in the end bins: " + std::to_string(outside)});
    if (nonfinite > 0) o.write("(A)", {"Not finite, left out: " + std::to_string(nonfinite)});
    o.write("('|D-F|/sigma(D): # of appearances : graphical representation')");
    return maxcnt;
}

// The per-moment table that closes every histogram.
void histogram_statistics(const RunState& st, TextOut& o) {
    o.write("('Statistics:')");
    o.write("(a)", {" #       F           G       Combined"});
    const double fm = st.totalf() > 0 ? static_cast<double>(st.totalfpg()) / st.totalf() : 0.0;
    const double gm = st.totalg() > 0 ? static_cast<double>(st.totalfpg()) / st.totalg() : 0.0;
    for (int i = 1; i <= 8; ++i) {
        auto k = static_cast<std::size_t>(i);
        o.write("(i2,3es12.3)", {i, st.fcon[k] * fm, st.gcon[k] * gm, st.fcon[k] + st.gcon[k]});
    }
    o.write("('End of histogram')");
}

}  // namespace

double residf(const RunState& st, int reflnr) {
    const reftyp& e = st.refl(reflnr);
    return (std::fabs(e.f) - std::fabs(e.fmem)) / e.sigma;
}

double residg(const RunState& st, int gnr) {
    const reftyp& e = st.refl(group_first(st, gnr));
    return (e.f - st.gcalc(gnr)) / e.sigma;
}

std::string histogram_bar(long bin, int count, int maxcnt, long totalfg) {
    constexpr std::size_t kLine = 250;
    const double x = static_cast<double>(bin) / 5.0;
    std::string line = fformat("(f7.1)", {x}, false) + fformat("(I5,' |')", {count}, false);
    line.resize(kLine, ' ');
    const long n = std::lround(100.0 * count / maxcnt);
    if (count > 0) {
        for (long k = 15; k <= 14 + n; ++k) line[static_cast<std::size_t>(k - 1)] = 'X';
        line[14] = 'X';
    }
    const double e = 100.0 * (totalfg / 2.5066282746310007) * std::exp(-0.5 * x * x) / 5.0 / maxcnt;
    if (e > 0.5) {
        // A mark beyond the line (a curve far above the bars) is left out.
        const long col = 14 + std::lround(e);
        if (col <= static_cast<long>(kLine))
            line[static_cast<std::size_t>(col - 1)] = bin < -2 ? '\\' : (bin > 2 ? '/' : '|');
    }
    return trim(line);
}

void histogram(RunState& st, int key) {
    long nonfinite = 0, outside = 0;
    const std::vector<double> res = residuals(st, nonfinite);
    double rmin = 100, rmax = -100;
    for (double r : res) {
        rmin = std::min(rmin, r);
        rmax = std::max(rmax, r);
        if (std::fabs(r) > kMaxResidual) ++outside;
    }
    if (outside > 0 || nonfinite > 0) {
        const std::string beyond = "Residual histogram: " + std::to_string(outside) +
                                   " residuals beyond +-200 sigma are counted in the end bins.";
        const std::string none = "Residual histogram: " + std::to_string(nonfinite) +
                                 " residuals are not finite numbers and are left out.";
        if (outside > 0) log_lines(st, {beyond});
        if (nonfinite > 0) log_lines(st, {none});
    }
    const long lo = bin_of(rmin), hi = bin_of(rmax);
    std::vector<int> count = bin_counts(res, lo, hi);

    TextOut& o = st.hst;
    if (!o.is_open() && !open_run_file(o, trim(st.filetitle) + ".QLhst", TextOut::Mode::Append)) {
        // The density is still to be written: a missing histogram must not cost it.
        errormsg(st, "Error opening the histogram file; no histogram written.");
        return;
    }
    histogram_header(st, o, key);

    const int maxcnt = histogram_scale(o, count, outside, nonfinite);
    for (long i = lo; i <= hi; ++i)
        o.write("(a)", {histogram_bar(i, count[static_cast<std::size_t>(i - lo)], maxcnt, st.totalfg())});
    std::vector<int>().swap(count);

    histogram_statistics(st, o);
    o.write("(A)", {""});
    o.flush();
}

}  // namespace quilmo
