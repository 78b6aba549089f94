// The command line of quilmo-import.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quilmo {

enum class ImportRun { mem, cf, fourier, cfmem };

struct ImportOptions {
    ImportRun run = ImportRun::mem;
    std::string run_word;       // as given: mem, cf, fourier, cf+mem
    std::string fcf;            // reflection CIF (a SHELXL .fcf or any _refln_ loop)
    std::string hkl;            // SHELX reflection file
    std::string structure;      // .ins, .res or .cif: cell, symmetry, contents (and atoms)
    bool use_atoms = false;     // the structure file came with --model: its atoms may give phases
    std::string title;          // -o: the keyword file is <title>.Quilmo
    double step = 0.2;          // voxel edge, A
    std::string format = "ccp4";
    std::string algorithm = "DUAL";
    std::string seed = "AUTO";
    bool force = false;         // overwrite an existing keyword file
    bool wilson = true;         // absolute scale by a Wilson plot when nothing else gives it
    double electrons = 0;       // per cell; 0: from the files
    int hklf = 0;               // 3 or 4; 0: from the SHELX file, else 4
};

// --help and --version: the text goes to `out` and the program ends.
bool import_info_option(const std::vector<std::string>& args, std::ostream& out);

// The options; a wrong command line ends with a message.
ImportOptions parse_import_options(const std::vector<std::string>& args);

}  // namespace quilmo
