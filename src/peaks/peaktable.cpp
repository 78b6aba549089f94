// The peak table <title>.QLpeaks: a header that says what the numbers
// mean, then one line per listed peak.
#include <cstdio>

#include "peaks/peakfiles.h"

namespace quilmo {

std::string peak_table_text(const Frame& f, const PeakTable& t, const ModelInfo& m) {
    std::string out;
    char buf[256];
    auto line = [&](const char* fmt, auto... v) {
        std::snprintf(buf, sizeof buf, fmt, v...);
        out += buf;
        out += "\n";
    };
    out += "Peaks of the density " + m.map + "\n";
    if (!m.title.empty()) out += "Title: " + m.title + "\n";
    line("Cell: %.4f %.4f %.4f %.3f %.3f %.3f, volume %.3f A^3", m.cell[0], m.cell[1], m.cell[2], m.cell[3],
         m.cell[4], m.cell[5], m.volume);
    line("Grid: %d %d %d", f.nvox[0], f.nvox[1], f.nvox[2]);
    line("Operators (%d, centering included), numbered as the symmetry codes of the distances name them:",
         static_cast<int>(f.ops.size()));
    for (std::size_t p = 0; p < f.ops.size(); ++p)
        line("%5d  %s", static_cast<int>(p + 1), triplet(f.ops[p], false).c_str());
    line("Maxima in the cell: %d; symmetry-unique: %d", t.maxima, t.unique);
    line("Map total: %.3f electrons per cell (positive values %.3f, negative values %.3f)", t.total,
         t.positive, t.negative);
    int copies = 0;
    double listed = 0;
    for (const Peak& p : t.peaks) copies += p.copies, listed += p.copies * p.electrons;
    line(
        "Listed: %d peaks, %d in the cell (the list stops at %d in the cell or below %.3f e/A^3, %.0f %% of "
        "the highest)",
        static_cast<int>(t.peaks.size()), copies, t.limit, t.cut,
        t.highest > 0 ? 100 * t.cut / t.highest : 0.0);
    line("Basins: %.3f electrons per cell in those of the listed peaks, %.3f in the others", listed,
         t.unlisted);
    out +=
        "\n"
        "height: e/A^3 at the refined position; electrons: the basin of one copy (every voxel belongs to "
        "the\n"
        "maximum its steepest ascent reaches; negative values count as they stand); copies: positions in "
        "the\n"
        "cell; site: order of the site-symmetry group; neighbours within 3.0 A: label, distance (A) and the\n"
        "symmetry code n_klm (operator n, lattice translation k-5 l-5 m-5) of the image.\n\n";
    out += "label element          x          y          z    height  electrons copies site  neighbours\n";
    for (const Peak& p : t.peaks) {
        std::snprintf(buf, sizeof buf, "%-6s %-6s %10.6f %10.6f %10.6f %9.3f %10.3f %6d %4d", p.label.c_str(),
                      p.element.empty() ? "-" : p.element.c_str(), p.x[0], p.x[1], p.x[2], p.height,
                      p.electrons, p.copies, p.site);
        out += buf;
        for (const Contact& c : p.contacts) {
            std::snprintf(buf, sizeof buf, "  %s %.3f %s",
                          t.peaks[static_cast<std::size_t>(c.peak)].label.c_str(), c.distance,
                          symmetry_code(c).c_str());
            out += buf;
        }
        out += "\n";
    }
    return out;
}

}  // namespace quilmo
