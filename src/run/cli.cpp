#include "run/cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "run/version.h"

namespace quilmo {

namespace {

constexpr const char* kUsage = R"(Usage: quilmo [title [cycle limit]]
       quilmo --help | -h        this text
       quilmo --version | -V     the version

Reconstructs the electron density of a crystal (maximum entropy, charge
flipping or a Fourier synthesis, chosen by the keyword perform) from the
keyword file <title>.Quilmo in the working directory.  Without a title the
program asks for one.  The cycle limit caps the iterations (default 11000).

Files, all in the working directory:
  <title>.Quilmo        read: the keyword input
  <title>.QLlog         the log (every run appends)
  <title>.QLout         the output listing (every run appends)
  <title>.QLsum.json    the run summary for scripts (replaced by every run)
  <title>.asc .raw .m81 .xplor .ccp4
                        the density map, in the format of outputformat
                        (never overwritten: spare names qlmap00.* and on)
  <title>_diffour.m81   the difference map after maximum entropy
  <title>.QLhst .QLcheck .QLsymtb
                        residual histogram, gradient check, symmetry table

Command file: while an iteration runs, a file <title>.QLcom whose first line
is STOP ends it after the current cycle; DENSITY <file> writes the current
density to <file>.

Documentation: docs/index.md in the Quilmo source folder (keywords, run
kinds, file formats, the command file and the bundled examples).
)";

}  // namespace

bool commandline_option(const std::vector<std::string>& args, std::ostream& out) {
    if (args.empty()) return false;
    if (args[0] == "--help" || args[0] == "-h") {
        out << kUsage;
    } else if (args[0] == "--version" || args[0] == "-V") {
        out << "quilmo " << version() << '\n';
    } else {
        return false;
    }
    out.flush();
    return true;
}

std::string open_failure_reason(const std::string& name) {
    errno = 0;
    std::FILE* f = std::fopen(name.c_str(), "r");
    const int reason = errno;
    if (f) std::fclose(f);
    return name + ": " + (reason != 0 ? std::strerror(reason) : "cannot be opened");
}

}  // namespace quilmo
