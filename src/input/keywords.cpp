// The keyword table of the input file and the handlers of the one-line
// keywords.  Block keywords hand over to reflblocks.cpp and
// symmetry_input.cpp.
#include <cmath>

#include "input/reader.h"
#include "peaks/composition.h"
#include "run/console.h"
#include "textio/format.h"
#include "textio/stop.h"
#include "textio/text.h"

namespace quilmo {

namespace {

// The rest of the line as a value of `len` characters.
std::string rest(const input_module& im, std::size_t len) { return fixed(im.inbuffer, len); }

// True when the whole rest of the line is `word`.
bool rest_is(const input_module& im, std::string_view word) { return same_text(im.inbuffer, word); }

void h_perform(RunState& st, input_module& im, int& ios) {
    st.fourier = st.performmem = st.flipcharge = false;
    if (rest_is(im, "fourier")) {
        st.fourier = true;
        flagkwdgroup(im, "mem", true);
    } else if (rest_is(im, "MEM")) {
        st.performmem = true;
        flagkwdgroup(im, "mem", true);
    } else if (rest_is(im, "CF")) {
        st.flipcharge = true;
        flagkwdgroup(im, "flip", true);
        flagkwdgroup(im, "mem", false);
    } else if (rest_is(im, "CF+MEM")) {
        st.performmem = st.flipcharge = true;
        flagkwdgroup(im, "mem", true);
        flagkwdgroup(im, "flip", true);
    } else {
        ios = kKeywordError;
    }
}

void h_title(RunState& st, input_module& im, int&) { st.title = rest(im, kLineLen); }

// One integer from the line that must lie in lo..hi; `message` and the
// keyword-error code when it does not, and `value` keeps what it held.
void bounded_int(RunState& st, const input_module& im, int& value, int lo, int hi, const char* message,
                 int& ios) {
    int v = value;
    oneint(im.inbuffer, v, ios);
    if (ios != 0) return;
    if (v < lo || v > hi) {
        errormsg(st, message);
        ios = kKeywordError;
        return;
    }
    value = v;
}

// The fixed tables of the symmetry input and the grid hold 8 dimensions.
// A refused value is not kept: the reading goes on to the end of the file
// to report every error, and the blocks read on the way size their index
// vectors by sdim.
void h_dimension(RunState& st, input_module& im, int& ios) {
    bounded_int(st, im, st.sdim, 1, 8, "Error, the dimension must lie between 1 and 8!", ios);
    if (ios == 0 && st.sdim > 3) flagkwdgroup(im, "4D", true);
}

void h_realdimension(RunState& st, input_module& im, int& ios) {
    bounded_int(st, im, st.rdim, 1, 8, "Error, the real dimension must lie between 1 and 8!", ios);
}

void h_cell(RunState& st, input_module& im, int& ios) {
    if (im.pass != 2) return;
    arrayreal(im.inbuffer, st.cell.data(), st.rdim * (st.rdim + 1) / 2, ios);
}

void h_voxel(RunState& st, input_module& im, int& ios) {
    if (im.pass != 2) return;
    arrayint(im.inbuffer, st.nvox.data(), st.sdim, ios);
    if (ios != 0) return;
    // The size of the whole grid is judged after reading, against the
    // memory the run will need and the index range of the transform array.
    for (int k = 1; k <= st.sdim; ++k) {
        if (st.nvox(k) < 1) {
            errormsg(st, "Error, the number of voxels along every axis must be positive!");
            ios = kKeywordError;
            return;
        }
    }
}

void h_electrons(RunState& st, input_module& im, int& ios) { onereal(im.inbuffer, st.charge, ios); }

void h_initialdensity(RunState& st, input_module& im, int&) {
    st.initrhotype = rest(im, kNameLen);
    if (!same_text(st.initrhotype, "flat")) flagkwdgroup(im, "prior", true);
}

void h_initialfile(RunState& st, input_module& im, int&) { st.initrhofile = rest(im, kNameLen); }

void h_referencedensity(RunState& st, input_module& im, int&) {
    st.refrhotype = rest(im, kNameLen);
    if (!same_text(st.refrhotype, "none")) flagkwdgroup(im, "cfref", true);
}

void h_referencefile(RunState& st, input_module& im, int&) { st.refrhofile = rest(im, kNameLen); }

void h_correction(RunState& st, input_module& im, int&) { st.ctype = rest(im, 10); }

void h_outputfile(RunState& st, input_module& im, int&) {
    st.outrhofile = fixed(trim(im.inbuffer), kNameLen);
    st.outampfile = st.outrhofile;
}

// The XPLOR writer knows three-dimensional cells and grids only.
void h_outputformat(RunState& st, input_module& im, int& ios) {
    if (im.pass != 2) return;
    st.outrhotype = rest(im, kNameLen);
    if (same_text(st.outrhotype, "ccp4") && (st.sdim != 3 || st.rdim != 3)) {
        errormsg(st, "The ccp4 format needs dimension 3 and realdimension 3!");
        ios = kKeywordError;
    }
    if (st.outrhotype.compare(0, 5, "xplor") != 0) return;
    if (st.sdim > 3) {
        errormsg(st, "The xplor format is aplicable only to 3D data!");
        ios = kKeywordError;
    } else if (st.sdim != 3 || st.rdim != 3) {
        errormsg(st, "The xplor format needs dimension 3 and realdimension 3!");
        ios = kKeywordError;
    }
}

void h_spacegroup(RunState& st, input_module& im, int&) { st.spacegrp = rest(im, kLineLen); }

void h_centro(RunState& st, input_module& im, int& ios) { yesno(im.inbuffer, st.centro, ios); }

void h_algorithm(RunState& st, input_module& im, int&) { st.algsettings = rest(im, kLineLen); }

void h_2channel(RunState& st, input_module& im, int& ios) {
    bool two = st.nchan == 2;
    yesno(im.inbuffer, two, ios);
    if (ios == 0) st.nchan = two ? 2 : 1;
}

// The constraint moments are kept for the orders 1 to 8 only.  An odd order
// is kept here: the iteration refuses it when it first needs the gradient.
void h_conorder(RunState& st, input_module& im, int& ios) {
    bounded_int(st, im, st.actcon, 1, 8, "Error, the constraint order (conorder) must lie between 1 and 8!",
                ios);
}

void h_conweight(RunState& st, input_module& im, int& ios) {
    st.modwgkey = rest(im, kLineLen);
    if (st.modwgkey[0] != 'F' && st.modwgkey[0] != 'H') {
        errormsg(st, "Incorrect definition of conweight!");
        ios = kKeywordError;
        return;
    }
    const int last = idel(st.modwgkey);
    onereal(std::string_view(st.modwgkey).substr(1, static_cast<std::size_t>(std::max(last - 1, 0))),
            st.power, ios);
    if (ios != 0) return;
    if (std::fabs(st.power) > 50) {
        errormsg(st, "The absolute value of the power in conweight must be smaller than 50!");
        ios = kKeywordError;
    }
}

// One priorsf word read with a fixed-width format.  A word that is no
// number, or longer than the field, would be read wrongly: it stops the run.
template <class T>
void priorsf_number(const std::string& word, const char* fmt, std::size_t width, T& value) {
    const std::string w = trim(word);
    if (w.size() > width || fparse(fmt, w, {value}) != kReadOk)
        throw RunStop("Error. Cannot read the number \"" + w + "\" in the keyword priorsf!");
}

void h_priorsf(RunState& st, input_module& im, int&) {
    std::string line = rest(im, kLineLen);
    std::string word(kLineLen, ' ');
    auto next_word = [&]() {
        spaceerase(line);
        if (blank(line)) return false;
        word.assign(kLineLen, ' ');
        datalength(line, word);
        return true;
    };
    if (!next_word()) throw RunStop("Error. No sin(theta)/lambda in the keyword priorsf!");
    priorsf_number(word, "(D14.0)", 14, st.pristhmin);
    if (!next_word()) throw RunStop("Error. No maximal sin(theta)/lambda in the keyword priorsf!");
    priorsf_number(word, "(D14.0)", 14, st.pristhmax);
    if (next_word()) {
        priorsf_number(word, "(D14.0)", 14, st.prisigma);
        // The prior structure factors are weighted by 1/sigma**2.
        if (!(st.prisigma > 0))
            throw RunStop("Error. The sigma in the keyword priorsf must be positive!");
        if (next_word()) priorsf_number(word, "(i10)", 10, st.maxprisat);
    }
    st.addprisf = st.pristhmax > st.pristhmin;
}

void h_memcheck(RunState& st, input_module& im, int& ios) { oneint(im.inbuffer, st.memcheck, ios); }

void h_regularwidth(RunState& st, input_module& im, int& ios) {
    if (im.pass != 2) return;
    arrayreal(im.inbuffer, st.wrf.data(), st.sdim, ios);
    if (ios != 0) return;
    for (int k = 1; k <= st.sdim; ++k)
        if (st.wrf(k) <= 0) errormsg(st, "Error, the halfwidth of the regularization function <=0!");
}

void h_filebase(RunState& st, input_module& im, int& ios) {
    if (blank(im.inbuffer)) {
        errormsg(st, "Error, the keyword filebase needs a file name!");
        ios = kKeywordError;
        return;
    }
    st.filetitle = fixed(trim(im.inbuffer), kNameLen);
    st.filebase = idel(st.filetitle) + 1;
}

void h_expandedlog(RunState& st, input_module& im, int& ios) { yesno(im.inbuffer, st.expandedlog, ios); }

void h_symtable(RunState& st, input_module& im, int& ios) { yesno(im.inbuffer, st.symtabon, ios); }

void h_qvectors(RunState& st, input_module& im, int& ios) {
    if (im.pass == 2) qvectors(st, im, im.curkwdid, ios);
}

void h_searchsymmetry(RunState& st, input_module& im, int& ios) {
    if (rest_is(im, "no")) {
        st.searchsym = st.averagesym = false;
    } else if (rest_is(im, "shift")) {
        st.searchsym = true;
        st.averagesym = false;
    } else if (rest_is(im, "average")) {
        st.searchsym = st.averagesym = true;
    } else if (!blank(im.inbuffer)) {
        errormsg(st, "Error: Keyword searchsymmetry not properly defined!!!");
        ios = kKeywordError;
    }
}

void h_delta(RunState& st, input_module& im, int& ios) {
    if (rest_is(im, "AUTO")) {
        st.reldelta = false;
        st.autodelta = true;
        return;
    }
    std::string word = firstword(im.inbuffer, true);
    onereal(word, st.cfindelta, ios);
    if (rest_is(im, "fraction")) {
        st.reldelta = true;
    } else if (rest_is(im, "absolute")) {
        st.reldelta = false;
    } else if (!blank(im.inbuffer)) {
        errormsg(st, "Error: Keyword delta not properly defined!!!");
        ios = kKeywordError;
    }
    st.autodelta = false;
}

void h_biso(RunState& st, input_module& im, int& ios) { onereal(im.inbuffer, st.biso, ios); }

// The weak threshold is the amplitude at the fraction weakratio of the
// sorted list: a fraction outside [0, 1] points beyond the list.
void h_weakratio(RunState& st, input_module& im, int& ios) {
    onereal(im.inbuffer, st.weakratio, ios);
    if (ios == 0 && !(st.weakratio >= 0 && st.weakratio <= 1)) {
        errormsg(st, "Error, the keyword weakratio must lie between 0 and 1!");
        ios = kKeywordError;
    }
}

void h_randomseed(RunState& st, input_module& im, int& ios) {
    if (rest_is(im, "AUTO")) {
        st.autors = true;
        return;
    }
    oneint(im.inbuffer, st.randomseed, ios);
    st.autors = false;
}

void h_fixsymops(RunState& st, input_module& im, int& ios) {
    if (im.pass != 2) return;
    arrayint(im.inbuffer, &st.symfixlist[1], st.sdim, ios);
    st.symfix = true;
}

void h_maxrvalue(RunState& st, input_module& im, int& ios) { onereal(im.inbuffer, st.maxrvalue, ios); }

void h_normalize(RunState& st, input_module& im, int& ios) {
    if (rest_is(im, "none")) {
        st.normalize = Normalize::none;
    } else if (rest_is(im, "wilson")) {
        st.normalize = Normalize::wilson;
    } else if (rest_is(im, "local")) {
        st.normalize = Normalize::local;
    } else {
        errormsg(st, "Error, the keyword normalize must be none, wilson or local!");
        ios = kKeywordError;
    }
}

// cff000 electrons|found: what F(000) the maximum-entropy run after the
// flipping takes, the electrons of the cell (amplitudes on the absolute
// scale) or the one the flipping found.
void h_cff000(RunState& st, input_module& im, int& ios) {
    if (rest_is(im, "electrons")) {
        st.cff000electrons = true;
    } else if (rest_is(im, "found")) {
        st.cff000electrons = false;
    } else {
        errormsg(st, "Error, the keyword cff000 must be electrons or found!");
        ios = kKeywordError;
    }
}

// Attempts when cfrestart names none: enough that the sucrose seed studies
// never ran out of them, few enough that data which cannot be solved end
// in bounded time.
constexpr int kRestartAttempts = 20;

// cfrestart K [attempts]: both at least 1.
void h_cfrestart(RunState& st, input_module& im, int& ios) {
    std::string line = im.inbuffer;
    std::string first = firstword(line, true);
    int k = 0, attempts = kRestartAttempts;
    oneint(first, k, ios);
    if (ios == 0 && !blank(line)) oneint(line, attempts, ios);
    if (ios != 0) return;
    if (k < 1 || attempts < 1) {
        errormsg(st, "Error, cfrestart needs a positive number of cycles and of attempts!");
        ios = kKeywordError;
        return;
    }
    st.cfrestart = k;
    st.cfattempts = attempts;
}

// More threads than any machine of ours has cores only slow the transforms.
void h_threads(RunState& st, input_module& im, int& ios) {
    bounded_int(st, im, st.nthreads, 1, 256, "Error, the number of threads must lie between 1 and 256!", ios);
}

void h_plancache(RunState& st, input_module& im, int& ios) { yesno(im.inbuffer, st.plancache, ios); }

void h_peaks(RunState& st, input_module& im, int& ios) {
    bounded_int(st, im, st.npeaks, 0, INT_MAX, "Error, the number of peaks must not be negative!", ios);
}

// Checked here, so that a misspelt element is an error of the input rather
// than a surprise after the run.
void h_composition(RunState& st, input_module& im, int& ios) {
    Composition c;
    std::string error;
    if (!parse_composition(trim(im.inbuffer), c, error)) {
        errormsg(st, "Error in the composition: " + error + "!");
        ios = kKeywordError;
        return;
    }
    st.composition = rest(im, kLineLen);
}

void h_wavelength(RunState& st, input_module& im, int& ios) {
    double w = st.wavelength;
    onereal(im.inbuffer, w, ios);
    if (ios != 0) return;
    if (!(w > 0)) {
        errormsg(st, "Error, the wavelength must be positive!");
        ios = kKeywordError;
        return;
    }
    st.wavelength = w;
}

struct GroupDef {
    const char* name;
    bool status;
};

constexpr GroupDef kGroups[] = {
    {"must", true}, {"opt", false}, {"mem", true},   {"flip", false},
    {"4D", false},  {"prior", false}, {"cfref", false},
};

struct KeywordDef {
    const char* name;
    const char* endname;
    const char* group;
    Handler handler;
};

const KeywordDef kKeywords[] = {
    {"perform", "", "opt", h_perform},
    {"title", "", "opt", h_title},
    {"dimension", "", "opt", h_dimension},
    {"realdimension", "", "opt", h_realdimension},
    {"cell", "", "must", h_cell},
    {"voxel", "", "must", h_voxel},
    {"electrons", "", "mem", h_electrons},
    {"initialdensity", "", "mem", h_initialdensity},
    {"initialfile", "", "prior", h_initialfile},
    {"referencedensity", "", "opt", h_referencedensity},
    {"referencefile", "", "cfref", h_referencefile},
    {"correction", "", "opt", h_correction},
    {"outputfile", "", "opt", h_outputfile},
    {"outputformat", "", "opt", h_outputformat},
    {"spacegroup", "", "opt", h_spacegroup},
    {"symmetry", "endsymmetry", "must", symmetryblock},
    {"centers", "endcenters", "opt", centersblock},
    {"centro", "", "must", h_centro},
    {"algorithm", "", "mem", h_algorithm},
    {"2channel", "", "opt", h_2channel},
    {"conorder", "", "opt", h_conorder},
    {"conweight", "", "opt", h_conweight},
    {"priorsf", "", "opt", h_priorsf},
    {"memcheck", "", "opt", h_memcheck},
    {"regularwidth", "", "opt", h_regularwidth},
    {"filebase", "", "opt", h_filebase},
    {"expandedlog", "", "opt", h_expandedlog},
    {"symtable", "", "opt", h_symtable},
    {"qvectors", "endqvectors", "4D", h_qvectors},
    {"fbegin", "endf", "must", fblock},
    {"ibegin", "endi", "opt", nullptr},
    {"extra", "endextra", "opt", extrablock},
    {"ggroup", "", "opt", nullptr},
    {"searchsymmetry", "", "opt", h_searchsymmetry},
    {"testsymmetry", "endtestsymmetry", "opt", testsymmetryblock},
    {"delta", "", "flip", h_delta},
    {"Biso", "", "opt", h_biso},
    {"weakratio", "", "opt", h_weakratio},
    {"randomseed", "", "opt", h_randomseed},
    {"fixsymops", "", "opt", h_fixsymops},
    {"maxrvalue", "", "opt", h_maxrvalue},
    {"gbegin", "endg", "opt", gblock},
    {"threads", "", "opt", h_threads},
    {"plancache", "", "opt", h_plancache},
    {"normalize", "", "opt", h_normalize},
    {"cfrestart", "", "opt", h_cfrestart},
    {"cff000", "", "opt", h_cff000},
    {"peaks", "", "opt", h_peaks},
    {"composition", "", "opt", h_composition},
    {"wavelength", "", "opt", h_wavelength},
};

constexpr int kKeywordCount = static_cast<int>(sizeof kKeywords / sizeof kKeywords[0]);

}  // namespace

void register_keywords(input_module& im) {
    for (const GroupDef& g : kGroups) {
        im.grpname = fixed(g.name, kNameLen30);
        im.grpstatus = g.status;
        newkwdgroup(im);
    }
    for (const KeywordDef& k : kKeywords) {
        im.kn = fixed(k.name, kNameLen30);
        im.kendn = fixed(k.endname, kNameLen30);
        im.grp = fixed(k.group, kNameLen30);
        int kid = 0;
        newkwd(im, kid);
    }
}

Handler handler_of(int kid) {
    return kid >= 1 && kid <= kKeywordCount ? kKeywords[kid - 1].handler : nullptr;
}

}  // namespace quilmo
