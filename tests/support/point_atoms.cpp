#include "support/point_atoms.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace quilmo_test {

std::string point_atom_input(const std::vector<Atom>& atoms, const std::string& perform,
                             const std::string& extra, const PointAtomData& data) {
    const double twopi = 6.283185307179586;
    double f000 = 0;
    for (const Atom& a : atoms) f000 += a.electrons;
    std::ostringstream in;
    in << "# point atoms in P1, structure factors computed by the test\n"
       << "title point atoms\n"
       << "perform " << perform << "\n"
       << "cell 10 10 10 90 90 90\n"
       << "voxel " << data.voxels << " " << data.voxels << " " << data.voxels << "\n"
       << "electrons " << f000 << "\n"
       << "symmetry\nx1 x2 x3\nendsymmetry\n"
       << "centro no\n"
       << extra << "fbegin\n";
    char line[160];
    const int m = data.maxindex;
    for (int h = -m; h <= m; ++h)
        for (int k = -m; k <= m; ++k)
            for (int l = -m; l <= m; ++l) {
                int first = h != 0 ? h : (k != 0 ? k : l);
                if (first <= 0) continue;
                double a = 0, b = 0;
                for (const Atom& at : atoms) {
                    double phi = twopi * (h * at.x + k * at.y + l * at.z);
                    a += at.electrons * std::cos(phi);
                    b += at.electrons * std::sin(phi);
                }
                std::snprintf(line, sizeof line, "%3d %3d %3d %12.6f %12.6f %8.4f\n", h, k, l, a, b,
                              data.sigma);
                in << line;
            }
    in << "endf\n";
    return in.str();
}

}  // namespace quilmo_test
