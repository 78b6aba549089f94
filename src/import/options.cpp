#include "import/options.h"

#include <set>

#include "import/problem.h"
#include "run/version.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

constexpr const char* kUsage = R"(Usage: quilmo-import RUN (--fcf FILE | --hkl FILE) [--model FILE | --cell-from FILE] -o TITLE [options]

Writes the keyword file TITLE.Quilmo for `quilmo TITLE` from the files a
refinement leaves behind.

RUN is one of
  mem       maximum entropy (phases from the reflection CIF or the model)
  fourier   Fourier synthesis (phases as for mem)
  cf        charge flipping (amplitudes only)
  cf+mem    charge flipping followed by maximum entropy

Files:
  --fcf FILE        reflection CIF: a SHELXL .fcf (LIST 4 or 6) or any CIF
                    with _refln_F_squared_meas or _refln_F_meas and a sigma,
                    phases from _refln_phase_calc or _refln_A_calc/_B_calc
  --hkl FILE        SHELX reflection file (HKLF 4, or HKLF 3)
  --model FILE      .ins, .res or .cif: cell, symmetry, contents and atoms;
                    the atoms give the phases when the reflections have none
  --cell-from FILE  the same files for cell, symmetry and contents only
  -o TITLE          the keyword file is TITLE.Quilmo

Options:
  --step A          voxel edge in A (default 0.2)
  --format F        density file format: ccp4 (default), QLascii, QLbinary,
                    jana, jana+1, xplor
  --algorithm A     maximum entropy by DUAL (default) or S-S
  --seed N          random seed of charge flipping (default AUTO: the clock)
  --electrons N     electrons per cell, when no file gives the contents
  --hklf 3|4        the .hkl holds F (3) or I (4); default from the HKLF
                    instruction of the SHELX file, else 4
  --no-wilson       keep the measured scale of amplitudes without a model
                    (default: absolute scale by a Wilson plot)
  --force           overwrite an existing TITLE.Quilmo
  --help, -h        this text
  --version, -V     the version

Documentation: docs/import.md in the Quilmo source folder.
)";

[[noreturn]] void usage_error(const std::string& what) {
    throw RunStop("quilmo-import: " + what + " (see quilmo-import --help)");
}

}  // namespace

bool import_info_option(const std::vector<std::string>& args, std::ostream& out) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            out << kUsage;
            return true;
        }
        if (a == "--version" || a == "-V") {
            out << "quilmo-import " << version() << '\n';
            return true;
        }
    }
    return false;
}

ImportOptions parse_import_options(const std::vector<std::string>& args) {
    ImportOptions o;
    if (args.empty()) usage_error("no run kind given");
    o.run_word = args[0];
    if (o.run_word == "mem")
        o.run = ImportRun::mem;
    else if (o.run_word == "cf")
        o.run = ImportRun::cf;
    else if (o.run_word == "fourier")
        o.run = ImportRun::fourier;
    else if (o.run_word == "cf+mem")
        o.run = ImportRun::cfmem;
    else
        usage_error("unknown run kind '" + o.run_word + "': mem, fourier, cf or cf+mem");
    std::string model, cell_from;
    std::set<std::string> seen;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!seen.insert(a).second && a.rfind("-", 0) == 0) usage_error(a + " given twice");
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) usage_error(a + " needs a value");
            return args[++i];
        };
        if (a == "--fcf") o.fcf = value();
        else if (a == "--hkl") o.hkl = value();
        else if (a == "--model") model = value();
        else if (a == "--cell-from") cell_from = value();
        else if (a == "-o") o.title = value();
        else if (a == "--step") {
            const std::string v = value();
            o.step = real_number(v, "command line", 0, "--step");
            if (!(o.step >= 0.02 && o.step <= 5)) usage_error("--step must lie between 0.02 and 5 A");
        } else if (a == "--format") {
            o.format = value();
            static const std::set<std::string> formats = {"ccp4", "QLascii", "QLbinary", "jana", "jana+1", "xplor"};
            if (formats.count(o.format) == 0) usage_error("unknown --format '" + o.format + "'");
        } else if (a == "--algorithm") {
            o.algorithm = value();
            if (o.algorithm != "DUAL" && o.algorithm != "S-S") usage_error("--algorithm must be DUAL or S-S");
        } else if (a == "--seed") {
            o.seed = value();
            if (o.seed != "AUTO" && !is_integer(o.seed)) usage_error("--seed must be a whole number or AUTO");
        } else if (a == "--electrons") {
            o.electrons = real_number(value(), "command line", 0, "--electrons");
            if (!(o.electrons > 0)) usage_error("--electrons must be positive");
        } else if (a == "--hklf") {
            const std::string v = value();
            if (v != "3" && v != "4") usage_error("--hklf must be 3 or 4");
            o.hklf = v[0] - '0';
        } else if (a == "--no-wilson") o.wilson = false;
        else if (a == "--force") o.force = true;
        else usage_error("unknown option '" + a + "'");
    }
    if (o.fcf.empty() == o.hkl.empty()) usage_error("give one reflection file, --fcf or --hkl");
    if (!model.empty() && !cell_from.empty()) usage_error("give --model or --cell-from, not both");
    o.structure = model.empty() ? cell_from : model;
    o.use_atoms = !model.empty();
    if (!o.hkl.empty() && o.structure.empty()) usage_error("--hkl needs --model or --cell-from for the cell");
    if (o.title.empty()) usage_error("no title: -o TITLE");
    const std::string ext = ".Quilmo";
    if (o.title.size() > ext.size() && o.title.compare(o.title.size() - ext.size(), ext.size(), ext) == 0)
        o.title.resize(o.title.size() - ext.size());
    return o;
}

}  // namespace quilmo
