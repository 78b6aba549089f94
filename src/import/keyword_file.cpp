#include "import/keyword_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "import/problem.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

// The program cuts its lines at 132 characters and takes "#" and "!" as
// the start of a comment: texts that go into values lose those characters.
std::string value_text(std::string s, std::size_t room) {
    for (char& c : s)
        if (c == '#' || c == '!' || c == '\t' || c == '\r' || c == '\n') c = ' ';
    const std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    s = s.substr(a, s.find_last_not_of(' ') - a + 1);
    return s.substr(0, room);
}

std::string format(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

std::string fline(const gemmi::Miller& h, double a, double b, double sigma) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%4d%4d%4d %15.6f %15.6f %13.6f\n", h[0], h[1], h[2], a, b, sigma);
    return buf;
}

}  // namespace

std::string keyword_text(const KeywordFile& k) {
    std::string t;
    // Header lines longer than the program reads are wrapped at blanks.
    for (const std::string& h : k.header) {
        std::string rest = value_text(h, std::string::npos);
        bool first = true;
        while (!rest.empty()) {
            const std::size_t room = first ? 128 : 124;
            std::size_t cut = rest.size() <= room ? rest.size() : rest.rfind(' ', room);
            if (cut == std::string::npos || cut == 0) cut = std::min(room, rest.size());
            t.append(first ? "# " : "#     ").append(rest.substr(0, cut)).append("\n");
            rest = value_text(rest.substr(cut), std::string::npos);
            first = false;
        }
    }
    t += "title " + value_text(k.title, 120) + "\n";
    t += "perform " + k.perform + "\n";
    t += "cell";
    for (std::size_t i = 0; i < 6; ++i) t.append(" ").append(format(i < 3 ? "%.4f" : "%.3f", k.cell[i]));
    t += "\nvoxel " + std::to_string(k.voxel[0]) + " " + std::to_string(k.voxel[1]) + " " + std::to_string(k.voxel[2]) + "\n";
    if (k.electrons > 0) t += "electrons " + format("%.2f", k.electrons) + "\n";
    if (!k.spacegroup.empty()) t += "spacegroup " + value_text(k.spacegroup, 100) + "\n";
    t += "symmetry\n";
    for (const std::string& op : k.operators) t += "  " + op + "\n";
    t += "endsymmetry\n";
    if (!k.centers.empty()) {
        t += "centers\n";
        for (const std::string& c : k.centers) t += "  " + c + "\n";
        t += "endcenters\n";
    }
    t += std::string("centro ") + (k.centro ? "yes" : "no") + "\n";
    t += "outputformat " + k.outputformat + "\n";
    // The formula labels the peaks of the final map, and the wavelength goes
    // into the SHELX file written beside it.
    if (!k.composition.empty())
        t += "composition " + k.composition + (k.z > 0 ? " Z " + format("%g", k.z) : std::string()) + "\n";
    if (k.wavelength > 0) t += "wavelength " + format("%g", k.wavelength) + "\n";
    if (!k.algorithm.empty()) t += "initialdensity flat\nalgorithm " + k.algorithm + "\n";
    // Flipping normalised amplitudes, with a fresh start for an attempt that
    // has not converged after 300 cycles, solves far more often than
    // flipping F from one start (measured on sucrose).
    if (k.flipping)
        t += "delta AUTO\nnormalize local\ncfrestart 300\nsearchsymmetry average\nrandomseed " + k.seed + "\n";
    if (k.flipping && !k.algorithm.empty() && k.absolute && k.electrons > 0) t += "cff000 electrons\n";
    t += "fbegin\n";
    if (k.electrons > 0) {
        // F(000) first, with the sigma the program gives an F(000) it adds
        // itself: a third of the smallest sigma (and of the electrons).
        double smallest = std::max(k.electrons, 1000.0);
        for (const FLine& l : k.f) smallest = std::min(smallest, l.sigma);
        t += fline({0, 0, 0}, k.electrons, 0, smallest / 3);
    }
    for (const FLine& l : k.f) t += fline(l.h, l.a, l.b, l.sigma);
    t += "endf\n";
    return t;
}

void write_new_file(const std::string& path, const std::string& text, bool force) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!force && fs::exists(path, ec))
        throw RunStop(path + " exists already; give --force to overwrite it");
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) throw RunStop(path + ": cannot be written: " + std::strerror(errno));
        out << text;
        out.close();
        if (!out) {
            fs::remove(tmp, ec);
            throw RunStop(path + ": cannot be written to its end");
        }
    }
    // Without --force the file must still not exist: link() refuses to
    // replace one that appeared meanwhile, where rename() would not.
    if (force) {
        fs::rename(tmp, path, ec);
    } else if (::link(tmp.c_str(), path.c_str()) != 0) {
        const int why = errno;
        if (why == EEXIST) {
            fs::remove(tmp, ec);
            throw RunStop(path + " exists already; give --force to overwrite it");
        }
        // A file system without hard links: the rename after the check.
        if (fs::exists(path, ec)) ec = std::make_error_code(std::errc::file_exists);
        else fs::rename(tmp, path, ec);
    }
    std::error_code ignored;
    if (!force || ec) fs::remove(tmp, ignored);
    if (ec) throw RunStop(path + ": cannot be written: " + ec.message());
}

}  // namespace quilmo
