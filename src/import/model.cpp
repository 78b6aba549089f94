#include "import/model.h"

#include <cmath>

#include <gemmi/it92.hpp>
#include <gemmi/sfcalc.hpp>

#include "import/problem.h"

namespace quilmo {

namespace {

constexpr double kDegree = 0.017453292519943295;

// The model with the crystal's cell and all symmetry images but the
// identity, as gemmi's calculator wants it.
gemmi::SmallStructure with_images(const Crystal& c) {
    gemmi::SmallStructure s = c.model;
    s.cell = gemmi::UnitCell(c.cell);
    s.cell.images.clear();
    for (gemmi::Op op : c.group) {
        if (op == gemmi::Op::identity()) continue;
        s.cell.images.push_back(gemmi::FTransform(gemmi::Transform{gemmi::rot_as_mat33(op), gemmi::tran_as_vec3(op)}));
    }
    s.cell.cs_count = static_cast<short>(s.cell.images.size());
    return s;
}

}  // namespace

void check_cell(const std::array<double, 6>& cell, const std::string& file, int line) {
    for (int i = 0; i < 3; ++i)
        if (!(cell[static_cast<std::size_t>(i)] > 0 && cell[static_cast<std::size_t>(i)] < 1e5))
            bad_input(file, line, "the cell lengths must be positive");
    double c[3];
    for (int i = 0; i < 3; ++i) {
        const double a = cell[static_cast<std::size_t>(3 + i)];
        if (!(a > 0 && a < 180)) bad_input(file, line, "the cell angles must lie between 0 and 180 degrees");
        c[i] = std::cos(a * kDegree);
    }
    // Volume squared over (abc)^2.
    if (!(1 - c[0] * c[0] - c[1] * c[1] - c[2] * c[2] + 2 * c[0] * c[1] * c[2] > 1e-6))
        bad_input(file, line, "the cell angles span no volume");
}

double u_equivalent(const gemmi::SMat33<double>& u, const std::array<double, 6>& cell) {
    const gemmi::UnitCell uc(cell);
    const double rl[3] = {uc.ar, uc.br, uc.cr};
    const double len[3] = {cell[0], cell[1], cell[2]};
    const double cosang[3][3] = {{1, std::cos(cell[5] * kDegree), std::cos(cell[4] * kDegree)},
                                 {std::cos(cell[5] * kDegree), 1, std::cos(cell[3] * kDegree)},
                                 {std::cos(cell[4] * kDegree), std::cos(cell[3] * kDegree), 1}};
    const double uij[3][3] = {{u.u11, u.u12, u.u13}, {u.u12, u.u22, u.u23}, {u.u13, u.u23, u.u33}};
    double sum = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) sum += uij[i][j] * rl[i] * rl[j] * len[i] * len[j] * cosang[i][j];
    return sum / 3;
}

std::vector<std::complex<double>> model_structure_factors(const Crystal& c, const std::vector<gemmi::Miller>& hkl) {
    const gemmi::SmallStructure s = with_images(c);
    for (const auto& site : s.sites)
        if (!gemmi::IT92<double>::has(site.element.elem))
            bad_input(c.file, "no form factor for element " + std::string(site.element.name()) + " of atom " + site.label);
    gemmi::StructureFactorCalculator<gemmi::IT92<double>> calc(s.cell);
    std::vector<std::complex<double>> out;
    out.reserve(hkl.size());
    for (const gemmi::Miller& h : hkl) out.push_back(calc.calculate_sf_from_small_structure(s, h));
    return out;
}

void make_occupancies_crystallographic(Crystal& c) {
    if (!c.chemical_occupancies) return;
    gemmi::SmallStructure s = with_images(c);
    s.change_occupancies_to_crystallographic();
    for (std::size_t k = 0; k < s.sites.size(); ++k) c.model.sites[k].occ = s.sites[k].occ;
    c.chemical_occupancies = false;
}

double model_electrons(const Crystal& c) {
    double sum = 0;
    for (const auto& site : c.model.sites) sum += site.occ * site.element.atomic_number();
    return sum * c.group.order();
}

}  // namespace quilmo
