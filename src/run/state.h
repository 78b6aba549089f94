// The run state: every item shared between the steps of a run, with its
// initial value.  One RunState is made per run and passed by reference to the
// routines; nothing else carries data between the subsystems apart from a few
// arguments and result codes.
//
// Index ranges follow the crystallographic formulas: most arrays start at 1;
// rho, sf and n start at 0; hklfg runs 0..8; matrices are column-major.
// Texts are blank-padded to their declared length (see textio/text.h).
#pragma once

#include <array>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "run/farray.h"
#include "run/fftplan.h"
#include "run/transform.h"
#include "run/summary.h"
#include "textio/format.h"
#include "textio/text.h"

namespace quilmo {

// One reflection.
struct reftyp {
    int sfloc = 0;                   // index of the real part in sf (even)
    std::array<int, 9> hklfg{};      // 0..sdim-1 indices; 8: G group number (0 for F, P, extra)
    int mult = 0;                    // positions the reflection stands for (Friedel mates not counted)
    double a = 0, b = 0;             // observed (or prior) structure factor, electrons
    double f = 0;                    // observed amplitude; G group value on the group's first member
    double sigma = 0;                // standard uncertainty
    double amem = 0, bmem = 0;       // calculated structure factor of the current density
    double fmem = 0;                 // its amplitude
    double weight = 0;               // 1/sigma^2 (0 for later G members and extra reflections)
    double rf = 0;                   // regularization factor (1 in every run)
    double modwg = 0;                // constraint weight
};

// Value of the last user command.
struct com_type {
    int int_ = 0;                    // value read for "INT"
    double dbl = 0;                  // value read for "DBL"
    std::string chr = std::string(kLineLen, ' ');  // value read for "CHR"
};

// Strides 0..8, all 1 until the grid is known.
inline FArray<int> unit_strides() {
    FArray<int> a(0, 8);
    a.fill(1);
    return a;
}

// Entries start..end of one section of a reflection list.  A section never
// placed keeps start 0 and holds nothing whatever its end (the expanded P
// section of a run without priors ends where F ends); a placed but empty
// section ends before it starts (an empty G block of the input: n+1 .. -1).
// The log prints the bounds as they are.
struct Section {
    int start = 0, end = -1;
    int count() const { return start > 0 && end >= start ? end - start + 1 : 0; }
};

// Sections of the input list refl: F (F(000) first), P (prior structure
// factors, placed by the expansion), G members, extra reflections.
struct ReflSections {
    Section f, prif, g, extra;
};

// Sections of the expanded list memrefl, 0 .. 0 until the expansion; an
// empty G section stays 0 .. 0 unless priors follow F.
struct MemReflSections {
    Section f{0, 0}, prif{0, 0}, g{0, 0};
};

// The amplitudes charge flipping works on: the observed F, or E from the
// mean intensity of a Wilson fit or of shells of equal count.
enum class Normalize { none, wilson, local };

struct RunState {
    // ---- command line: program name excluded ----
    std::vector<std::string> args;

    // ---- console (standard streams unless a test redirects them) ----
    std::ostream* con = &std::cout;  // progress lines, messages, menus
    std::istream* conin = &std::cin; // title prompt, format menu answers
    bool console_told = false;       // a message has gone to the console (errormsg, report blocks)

    // ---- run files and open units ----
    std::string filetitle = std::string(kNameLen, ' ');   // base of every run-file name
    int filebase = 1;                // position one past the last non-blank of filetitle
    std::string inputfile = std::string(kNameLen, ' ');   // title + ".Quilmo"
    std::string logfile = std::string(kNameLen, ' ');     // title + ".QLlog"
    std::string memreflfile = std::string(kNameLen, ' '); // title + ".QLout"
    std::string symfile = std::string(kNameLen, ' ');     // title + ".QLsymtb"
    std::string comfile = std::string(kNameLen, ' ');     // title + ".QLcom"
    TextOut log;                     // unit 30: the log while a step reports into it
    TextIn input;                    // unit 10: the input file during the reading passes
    TextOut hst;                     // unit 50: the histogram file, open to the end of the run

    // ---- clock of the last reading ----
    std::string date = std::string(8, ' ');          // yyyymmdd
    std::string time = std::string(10, ' ');         // hhmmss.sss
    std::string year = std::string(4, ' '), month = std::string(2, ' '), day = std::string(2, ' ');
    std::string hour = std::string(2, ' '), minutes = std::string(2, ' '), seconds = std::string(2, ' ');

    // ---- dimensions and grid ----
    int sdim = 3;                    // dimension of the (super)space, at most 8
    int rdim = 3;                    // physical dimensions, rdim <= sdim
    int ddim = 0;                    // sdim - rdim, number of q-vectors
    FArray<int> nvox;                // voxels per axis, 1..sdim
    int nvoxtot = 1;                 // number of voxels, product of nvox
    FArray<int> n = unit_strides();  // strides 0..8: n(0)=1, n(k)=n(k-1)*nvox(k)
    int lstrhoel = 0;                // nvoxtot-1, last index of rho
    int lstel = 0;                   // 2*nvoxtot-1, last index of sf
    double capvx = 1.0;              // voxel volume, A^3
    double epv = 0;                  // electrons per voxel of a flat density

    // ---- cell and metric ----
    int ncellpar = 0;                // rdim*(rdim+1)/2
    int cellcon = 0;                 // ncellpar+1
    FArray<double> cell;             // 1..cellcon: lengths (A), angles (deg), volume (A^3)
    FArray<double> rcell;            // 1..cellcon: reciprocal lengths (1/A), angles (deg), 1/volume
    FArray2<double> g, gi;           // direct metric (A^2) and its inverse, rdim x rdim
    FArray2<double> gs, gsi;         // superspace metrics, sdim x sdim
    FArray2<double> qvec;            // q-vectors, rdim x ddim, components on the reciprocal axes

    // ---- symmetry ----
    int nsym = 0;                    // operators (input count; nsym*ncenter after expandsym)
    int nsympoint = 0;               // operators of the symmetry block (used for reflections)
    int ncenter = 1;                 // centering vectors, the zero vector included
    int ntestsym = 0;                // candidate operators of the testsymmetry block
    bool flagzeroc = false;          // a zero centering vector was given
    FArray2<double> center;          // sdim x ncenter, fractions in [0,1)
    FArray3<double> rmat;            // sdim x sdim x N_op rotations, x' = R x + t
    FArray2<double> tvec;            // sdim x N_op translations
    FArray3<int> rmati;              // rotations in voxel units
    FArray2<int> tveci;              // translations in voxel units
    bool centro = false;             // centrosymmetric: no Friedel mates
    std::string spacegrp = fixed("not given", kLineLen);  // label for the reports
    bool symtabon = false;           // write the symmetry table file

    // ---- reflections ----
    FArray<reftyp> refl;             // input list: F, P, G, extra sections
    ReflSections sec;                // sections of refl
    int ggroups = 0;                 // number of G groups
    FArray<int> gdiff;               // input members per G group, 1..ggroups
    FArray<reftyp> memrefl;          // expanded list: F, P, G sections, 1..mtotalfpg()
    MemReflSections msec;            // sections of memrefl
    // Entries per section and their sums, derived from the bounds so that
    // they cannot fall out of step with them.
    int totalf() const { return sec.f.count(); }
    int totalprif() const { return sec.prif.count(); }
    int totalg() const { return sec.g.count(); }
    int totalextra() const { return sec.extra.count(); }
    int totalfg() const { return totalf() + totalg(); }
    int totalfp() const { return totalf() + totalprif(); }
    int totalfpg() const { return totalf() + totalprif() + totalg(); }
    int totalfge() const { return totalf() + totalg() + totalextra(); }  // refl without the P section
    int mtotalf() const { return msec.f.count(); }
    int mtotalprif() const { return msec.prif.count(); }
    int mtotalfp() const { return mtotalf() + mtotalprif(); }
    int mtotalg() const { return msec.g.count(); }
    int mtotalfg() const { return mtotalf() + mtotalg(); }
    int mtotalfpg() const { return mtotalf() + mtotalprif() + mtotalg(); }
    FArray<int> mngroup;             // expanded entries per G group
    FArray<double> sumgm;            // sum of mult over each group's input members
    FArray<double> gcalc;            // calculated G of each group
    FArray<double> weakrefl;         // weak-reflection threshold per satellite order, 0..satmax

    // ---- densities and transforms ----
    FArray<double> rho;              // 0..lstrhoel, electrons per voxel
    FArray<double> refrho;           // reference density of charge flipping
    TransformArray sf;               // the density and its half spectrum (run/transform.h)
    FArray<int> rhotab;              // orbit table: per orbit m, then its m voxels
    int norb = 0;                    // number of voxel orbits
    int nchan = 1;                   // density channels (2: positive and negative part)
    FArray<double> au, rau, bau;     // per-orbit density, its prior, MEM backup; 1..nchan*norb
    double rhomin = 0, rhomax = 0;   // extremes of the last density file read or written
    double norm = 0;                 // number of grid points, divisor of the backward transform
    FftPlan plan1;                   // density to structure factors (real to half spectrum)
    FftPlan plan2;                   // structure factors to density (half spectrum to real)

    // ---- run switches and settings of the input file ----
    bool performmem = true;          // run the maximum-entropy iteration
    bool flipcharge = false;         // run charge flipping
    bool fourier = false;            // plain Fourier synthesis only
    int algorithm = 0;               // 1 Sakata-Sato, 2 MEMSys, 3 DUAL, 0 not set
    std::string algsettings = std::string(kLineLen, ' ');  // rest of the algorithm line
    std::string title = std::string(kLineLen, ' ');       // run title
    double charge = 0;               // electrons per unit cell
    double inputcharge = 0;          // electrons as the input gave them, where CF+MEM puts F(000) into charge
    std::string initrhotype = fixed("none", kNameLen), initrhofile = fixed("none", kNameLen);
    std::string refrhotype = fixed("none", kNameLen), refrhofile = fixed("none", kNameLen);
    std::string ctype = fixed("none", 10);           // correction of every density read
    std::string outrhotype = fixed("none", kNameLen);     // output density format
    std::string outrhofile = std::string(kNameLen, ' ');  // output file name (blank: from the title)
    std::string outampfile = std::string(kNameLen, ' ');  // amplitude map name of the regularization
    int actcon = 2;                  // order of the constraint moment (even)
    std::string modwgkey = std::string(kLineLen, ' ');    // constraint weighting type
    double power = 0;                // its exponent
    bool addprisf = false;           // prior structure factors (P-constraints)
    double pristhmin = 0, pristhmax = 0;  // their sin(theta)/lambda range, 1/A
    double prisigma = 0.005;         // their sigma
    int maxprisat = 0;               // their largest satellite order
    int memcheck = 0;                // > 0: gradient check file with about this many orbits
    FArray<double> wrf;              // regularization half-widths, 1..sdim
    bool expandedlog = false;        // full listing of the expanded reflections
    double lambda = 0, aim = 0;      // Lagrange multiplier (<0 fixed, 0 automatic) and aim
    std::array<int, 4> method{};     // MEMSys settings (checked and reported only), 0..3
    int nrand = 0;
    double rate = 0, utol = 0;
    int maxcycles = 11000;           // cycle limit of the iterations
    bool autodelta = true, reldelta = false;  // charge-flipping threshold: automatic, relative
    double cfindelta = 0;            // its value
    double flipdelta = 0;            // threshold used by the flipping, electrons per voxel
    double biso = 0;                 // B factor of charge flipping
    double weakratio = 0;            // fraction of weak reflections
    bool autors = true;              // random seed from the clock
    int randomseed = 0;              // given seed; 0 = use the input phases
    double maxrvalue = -100.0;       // R-value limit of charge flipping
    Normalize normalize = Normalize::none;  // amplitudes of the flipping
    int cfrestart = 0;               // cycles after which an unconverged attempt starts again (0: never)
    int cfattempts = 0;              // the most attempts that cfrestart runs
    bool cff000electrons = false;    // CF+MEM: F(000) = charge (amplitudes on the absolute scale)
    bool searchsym = true, averagesym = true;  // symmetry search and averaging after flipping
    bool symfix = false;             // operators fixed by fixsymops
    std::array<int, 9> symfixlist{}; // 1..8 used
    int nthreads = 1;                // threads of the transforms, 1..256
    int npeaks = -1;                 // peak search: peaks in the cell to list; 0 off, -1 from the electrons
    std::string composition = std::string(kLineLen, ' ');  // elements per formula unit (blank: none)
    double wavelength = 0.71073;     // A, for the cell line of the SHELX file
    bool plancache = true;           // keep measured plans in the per-user cache file

    // ---- statistics of the iterations ----
    double r = 0, rw = 0;            // R and weighted R of F and G together
    double rf = 0, rwf = 0;          // the same for F (rf: last charge-flipping R too)
    double rg = 0, rwg = 0;          // the same for G
    std::array<double, 9> fcon{}, gcon{}, pcon{};  // constraint moments, orders 1..8
    double fgcon = 0, fpgcon = 0;    // combined constraint values of order actcon
    double s = 0, l = 0;             // entropy and L = s - lambda*fpgcon
    double normcon = 1;              // normalisation constant of the density sum
    double sumfobs = 0, sumfobssq = 0, sumgobs = 0, sumgobssq = 0, sumfgobs = 0, sumfgobssq = 0;
    double sumfcal = 0, sumgcal = 0, sumfgcal = 0;
    double sumdeltaf = 0, sumdeltag = 0, sumdeltafsq = 0, sumdeltagsq = 0;
    double sumdeltaabsf = 0;         // amplitude differences of the last flipping cycle
    com_type com;                    // value of the last user command

    // ---- run summary file ----
    RunSummary summary;              // iteration end, cycle table, density files written
};

}  // namespace quilmo
