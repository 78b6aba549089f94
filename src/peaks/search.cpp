#include "peaks/search.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "peaks/composition.h"
#include "peaks/peakfiles.h"
#include "run/console.h"
#include "textio/text.h"

namespace quilmo {

namespace {

constexpr const char* kExtensions[] = {".QLpeaks", ".res", "_model.cif"};

bool exists(const std::string& name) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(name, ec));
}

// The stem of the three files: the title when none of its files exists,
// else the first of qlpeaks00 .. qlpeaks98 of which none exists, so that
// the three files of one search keep one name and no file is overwritten
// (a refinement program writes its own <title>.res).  Empty when none is
// free.
std::string free_stem(const std::string& title) {
    auto free = [](const std::string& stem) {
        for (const char* ext : kExtensions)
            if (exists(stem + ext)) return false;
        return true;
    };
    if (!title.empty() && free(title)) return title;
    for (int k = 0; k <= 98; ++k) {
        char stem[16];
        std::snprintf(stem, sizeof stem, "qlpeaks%02d", k);
        if (free(stem)) return stem;
    }
    return "";
}

// Creates `name`, which must not exist, holding `text`; a failed write
// leaves no file behind.
bool write_new(const std::string& name, const std::string& text) {
    std::FILE* fp = std::fopen(name.c_str(), "wx");
    if (!fp) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), fp) == text.size();
    const bool closed = std::fclose(fp) == 0;
    if (written && closed) return true;
    std::remove(name.c_str());
    return false;
}

void log_report(RunState& st, const std::vector<std::string>& lines) {
    const bool was_open = st.log.is_open();
    open_log(st);
    st.log.write("(A)", {""});
    for (const std::string& l : lines) st.log.write("(A)", {l});
    st.log.write("(A)", {""});
    if (!was_open) st.log.close();
}

// One line of text by a printf format.
template <class... A>
std::string format(const char* fmt, A... a) {
    char buf[300];
    std::snprintf(buf, sizeof buf, fmt, a...);
    return buf;
}

}  // namespace

int default_peak_limit(double electrons) {
    return std::max(1, static_cast<int>(std::ceil(1.5 * electrons / 6)));
}

void peaksearch(RunState& st) {
    if (st.npeaks == 0) return;
    if (st.sdim != 3 || st.rdim != 3) {
        log_report(st, {"Peak search: the search covers 3-D maps only; none for this map."});
        return;
    }
    const Frame f = frame_of(st);
    const double* rho = st.rho.data();
    // A map of charge flipping holds negative values; its positive part
    // stands for the electrons when the input gives none.
    double positive = 0;
    for (long v = 0; v < st.nvoxtot; ++v) positive += rho[v] > 0 ? rho[v] : 0;
    // The cell's electrons as the input gave them: after CF+MEM, charge is
    // the F(000) of the data's scale.
    const double given = st.inputcharge > 0 ? st.inputcharge : st.charge;
    const double electrons = given > 0 ? given : positive;
    const int limit = st.npeaks > 0 ? st.npeaks : default_peak_limit(electrons);
    PeakTable t = findpeaks(f, rho, limit);

    ModelInfo m;
    m.title = blank(st.title) ? trim(st.filetitle) : trim(st.title);
    m.map = st.summary.density_files.empty() ? trim(st.outrhofile) : st.summary.density_files.back();
    for (int i = 0; i < 6; ++i) m.cell[static_cast<std::size_t>(i)] = st.cell(i + 1);
    m.volume = st.cell(st.cellcon);
    m.wavelength = st.wavelength;
    if (!same_text(st.spacegrp, "not given")) m.spacegroup = trim(st.spacegrp);
    m.electrons = electrons;
    std::string error;
    if (!blank(st.composition) && parse_composition(trim(st.composition), m.composition, error)) {
        m.units = formula_units(m.composition, given, static_cast<int>(f.ops.size()));
        label_peaks(t.peaks, m.composition, m.units);
    }
    assemble(f, t.peaks);
    findcontacts(f, t.peaks);

    int copies = 0, atoms = 0;
    double listed = 0;
    for (const Peak& p : t.peaks) {
        copies += p.copies;
        listed += p.copies * p.electrons;
        atoms += p.element.empty() ? 0 : 1;
    }
    std::vector<std::string> lines = {
        "Peak search:", format("Maxima in the cell: %d, symmetry-unique: %d", t.maxima, t.unique),
        format("Listed: %d peaks, %d in the cell (at most %d in the cell, none below %.3f e/A^3)",
               static_cast<int>(t.peaks.size()), copies, limit, t.cut),
        format("Labelled atoms: %d", atoms),
        format("Map total: %.3f electrons per cell, %.3f of them in the basins of the listed peaks", t.total,
               listed)};

    const std::string stem = free_stem(trim(st.filetitle));
    std::vector<std::string> written;
    if (stem.empty()) {
        lines.push_back("Error! No free name for the peak files (qlpeaks00 to qlpeaks98 are taken).");
    } else {
        m.name = stem;
        const std::string texts[] = {peak_table_text(f, t, m), shelx_text(f, t, m), model_cif_text(f, t, m)};
        const char* what[] = {"Peak table", "SHELX file", "Model CIF"};
        for (int k = 0; k < 3; ++k) {
            const std::string name = stem + kExtensions[k];
            if (write_new(name, texts[k])) {
                written.push_back(name);
                lines.push_back(std::string(what[k]) + " written to file " + name);
            } else {
                lines.push_back(std::string("Error! Cannot write the ") + what[k] + " " + name + "!");
            }
        }
    }
    log_report(st, lines);
    std::string say =
        "Peak search: " + std::to_string(t.peaks.size()) + (t.peaks.size() == 1 ? " peak" : " peaks");
    for (std::size_t k = 0; k < written.size(); ++k) say += (k ? ", " : " in ") + written[k];
    *st.con << say << '\n';

    std::vector<PeakRecord> records;
    for (const Peak& p : t.peaks)
        records.push_back(
            {p.label, p.element, {p.x[0], p.x[1], p.x[2]}, p.height, p.electrons, p.copies, p.site});
    st.summary.peaks = records;
    st.summary.peak_files = written;
}

}  // namespace quilmo
