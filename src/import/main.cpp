// quilmo-import: a keyword file for quilmo from the files of a refinement.
#include <iostream>

#include "import/importer.h"
#include "import/options.h"
#include "textio/stop.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (quilmo::import_info_option(args, std::cout)) return 0;
    try {
        quilmo::run_import(quilmo::parse_import_options(args), std::cout);
    } catch (const quilmo::RunStop& stop) {
        std::cout.flush();
        std::cerr << "STOP " << stop.message() << '\n';
        return 1;
    }
    return 0;
}
