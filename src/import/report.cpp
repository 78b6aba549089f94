#include "import/report.h"

#include <cstdio>

namespace quilmo {

namespace {

void item(std::ostream& out, const char* name, const std::string& value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%-24s", name);
    out << buf << value << '\n';
}

std::string num(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

}  // namespace

void print_report(std::ostream& out, const ImportReport& r) {
    for (const std::string& w : r.warnings) out << "Warning: " << w << '\n';
    std::string files;
    for (const std::string& f : r.files) files += (files.empty() ? "" : ", ") + f;
    item(out, "Files read", files);
    item(out, "Cell", r.cell);
    item(out, "Group", r.group);
    item(out, "Reflections read", std::to_string(r.read));
    item(out, "Rejected (sigma <= 0)", std::to_string(r.rejected));
    item(out, "Merged", std::to_string(r.merged) + " in Laue class " + r.laue +
                            (r.anomalous_merged ? " (Friedel mates merged: the anomalous signal is not used)" : ""));
    item(out, "Unique", std::to_string(r.unique));
    item(out, "Absences left out", std::to_string(r.absences) + " (" +
                                       (r.strong_absences == 0 ? std::string("none")
                                                               : std::to_string(r.strong_absences)) +
                                       " with " + (r.intensities ? "I > 3 sigma(I)" : "F > 3 sigma(F)") + ")");
    for (const std::string& s : r.strong_list) item(out, "", s);
    item(out, "d_min", num("%.4f A", r.dmin));
    item(out, "Completeness to d_min", num("%.1f %%", 100 * r.completeness));
    item(out, r.intensities ? "<I/sigma(I)>" : "<F/sigma(F)>", num("%.2f", r.i_over_sigma));
    item(out, "R_int", r.multiple > 0 ? num("%.4f", r.rint) + " (" + std::to_string(r.multiple) +
                                              " reflections measured more than once)"
                                      : std::string("- (no reflection measured twice)"));
    item(out, "Amplitudes", r.amplitudes);
    item(out, "Scale", r.scale);
    if (!r.phases.empty()) item(out, "Phases", r.phases);
    item(out, "Electrons", r.electrons);
    item(out, "Grid", std::to_string(r.grid[0]) + " " + std::to_string(r.grid[1]) + " " + std::to_string(r.grid[2]) +
                          ", voxel edge " + num("%.3f", r.edge[0]) + " " + num("%.3f", r.edge[1]) + " " +
                          num("%.3f A", r.edge[2]));
    item(out, "Written", r.written);
}

}  // namespace quilmo
