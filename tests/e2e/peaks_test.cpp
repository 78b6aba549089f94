// The peak search of real runs: the NaCl maximum-entropy map holds two
// sites whose basins hold the cell's electrons; the peak table, the SHELX
// file (read back as a refinement program reads it), the model CIF (read by
// gemmi) and the run summary tell the same peaks; the files never
// overwrite; superspace maps are not searched.  (gemmi is run from Python:
// its C++ CIF headers do not build with the clang of the sanitizer build.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/e2e.h"
#include "support/shelx_res.h"

using nlohmann::json;
using quilmo_test::lines_of;
using quilmo_test::run_quilmo;
using quilmo_test::slurp;
using quilmo_test::TempDir;

namespace {

const std::string kNaCl = slurp(std::string(QUILMO_TEST_DATA) + "/peaks/nacl_mem.Quilmo");

// Rows of a peak table: label, element, x, y, z.
std::vector<std::vector<std::string>> table_rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    bool body = false;
    for (const std::string& l : lines_of(text)) {
        if (l.rfind("label element", 0) == 0) {
            body = true;
            continue;
        }
        if (!body || l.empty()) continue;
        std::istringstream in(l);
        std::vector<std::string> w(5);
        for (auto& x : w) in >> x;
        rows.push_back(w);
    }
    return rows;
}

// 0 for a site of the 0,0,0 kind in Fm-3m, 1 for one of the 1/2,1/2,1/2
// kind (the F-centring adds two halves), -1 for anything else.
int nacl_site(const json& frac) {
    int halves = 0;
    for (const json& x : frac) {
        const double v = x.get<double>();
        if (std::fabs(v - 0.5) < 1e-6)
            ++halves;
        else if (std::fabs(v) > 1e-6)
            return -1;
    }
    return halves % 2;
}

TEST(PeaksNaCl, TwoSitesWhoseBasinsHoldTheElectronsOfTheCell) {
    TempDir dir;
    dir.write("nacl.Quilmo", kNaCl + "composition Na Cl\n");
    const auto r = run_quilmo(dir, {"nacl"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Peak search: 2 peaks in nacl.QLpeaks, nacl.res, nacl_model.cif\n"),
              std::string::npos);

    const json s = json::parse(dir.read("nacl.QLsum.json"));
    const json& peaks = s.at("peaks");
    ASSERT_EQ(peaks.size(), 2u);
    double total = 0, na = 0, cl = 0;
    for (const json& p : peaks) {
        EXPECT_EQ(p.at("site_symmetry_order"), 48);
        EXPECT_EQ(p.at("copies"), 4);
        total += p.at("copies").get<int>() * p.at("electrons").get<double>();
        const int site = nacl_site(p.at("frac"));
        EXPECT_EQ(p.at("label"), site == 0 ? "Na1" : "Cl1") << p;
        EXPECT_EQ(p.at("element"), site == 0 ? "Na" : "Cl");
        (site == 0 ? na : cl) = p.at("electrons").get<double>();
    }
    EXPECT_NEAR(total, 112, 0.005 * 112);
    EXPECT_GT(cl, na);
    EXPECT_EQ(peaks[0].at("label"), "Cl1");  // the highest first

    // The table, the SHELX file and the CIF list the same sites.
    const auto rows = table_rows(dir.read("nacl.QLpeaks"));
    const quilmo_test::ResFile res = quilmo_test::read_res(dir.read("nacl.res"));
    EXPECT_EQ(res.error, "");
    EXPECT_EQ(res.latt, 4);
    EXPECT_EQ(res.symm.size(), 23u);
    EXPECT_EQ(res.sfac, (std::vector<std::string>{"Na", "Cl"}));
    EXPECT_EQ(res.unit, (std::vector<double>{4, 4}));
    EXPECT_EQ(res.z, 4);
    EXPECT_DOUBLE_EQ(res.cell[0], 5.64);
    EXPECT_TRUE(res.hklf4 && res.end);
    const std::string cmd = "cd '" + dir.path().string() + "' && /usr/bin/python3 '" +
                            std::string(QUILMO_TEST_DATA) +
                            "/peaks/gemmi_model.py' nacl_model.cif > gemmi.txt";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const auto gemmi = lines_of(dir.read("gemmi.txt"));
    ASSERT_EQ(gemmi.size(), 4u);
    EXPECT_EQ(gemmi[0], "cell 5.6400 5.6400 5.6400 90.000 90.000 90.000");
    // The operators are the whole group: 192 distinct ones (4 of them the
    // centering translations), closed under products.
    EXPECT_EQ(gemmi[1], "ops 192 192 4 closed");
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(res.atoms.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string label = peaks[i].at("label");
        EXPECT_EQ(rows[i][0], label);
        EXPECT_EQ(res.atoms[i].label, label);
        std::istringstream site(gemmi[i + 2]);
        std::string word, cif_label, cif_element;
        double cif_x[3];
        site >> word >> cif_label >> cif_element >> cif_x[0] >> cif_x[1] >> cif_x[2];
        EXPECT_EQ(cif_label, label);
        EXPECT_EQ(cif_element, peaks[i].at("element"));
        EXPECT_EQ(res.sfac[static_cast<std::size_t>(res.atoms[i].sfac - 1)], peaks[i].at("element"));
        EXPECT_NEAR(res.atoms[i].sof, 10 + 1.0 / 48, 1e-5);
        for (int k = 0; k < 3; ++k) {
            const double x = peaks[i].at("frac")[static_cast<std::size_t>(k)];
            EXPECT_NEAR(std::stod(rows[i][static_cast<std::size_t>(k) + 2]), x, 1e-6);
            EXPECT_NEAR(res.atoms[i].x[static_cast<std::size_t>(k)], x, 1e-6);
            EXPECT_NEAR(cif_x[k], x, 1e-6);
        }
    }
}

TEST(PeakFiles, ExistingFilesAreNeverOverwrittenAndZeroSwitchesTheSearchOff) {
    TempDir dir;
    const std::string fourier = kNaCl.substr(0, kNaCl.find("perform MEM")) + "perform fourier" +
                                kNaCl.substr(kNaCl.find("perform MEM") + 11);
    dir.write("nacl.Quilmo", fourier);
    ASSERT_EQ(run_quilmo(dir, {"nacl"}).status, 0);
    const std::string first = dir.read("nacl.QLpeaks");
    EXPECT_FALSE(first.empty());
    // The next runs find the title's files, then qlpeaks00 taken and one
    // file of qlpeaks01 too: the three files go under the first free name.
    std::filesystem::remove(dir / "nacl.asc");
    ASSERT_EQ(run_quilmo(dir, {"nacl"}).status, 0);
    dir.write("qlpeaks01.res", "mine\n");
    std::filesystem::remove(dir / "nacl.asc");
    ASSERT_EQ(run_quilmo(dir, {"nacl"}).status, 0);
    EXPECT_EQ(dir.read("nacl.QLpeaks"), first);
    EXPECT_EQ(dir.read("qlpeaks01.res"), "mine\n");
    for (const char* name : {"qlpeaks00.QLpeaks", "qlpeaks00.res", "qlpeaks00_model.cif", "qlpeaks02.QLpeaks",
                             "qlpeaks02.res", "qlpeaks02_model.cif"})
        EXPECT_TRUE(dir.exists(name)) << name;
    EXPECT_FALSE(dir.exists("qlpeaks01.QLpeaks"));
    const json s = json::parse(dir.read("nacl.QLsum.json"));
    const json& files = s.at("files_written");
    EXPECT_EQ(std::vector<std::string>(files.end() - 3, files.end()),
              (std::vector<std::string>{"qlpeaks02.QLpeaks", "qlpeaks02.res", "qlpeaks02_model.cif"}));
    const std::string log = dir.read("nacl.QLlog");
    EXPECT_NE(log.find("SHELX file written to file qlpeaks02.res"), std::string::npos);

    TempDir off;
    off.write("nacl.Quilmo", fourier + "peaks 0\n");
    ASSERT_EQ(run_quilmo(off, {"nacl"}).status, 0);
    EXPECT_FALSE(off.exists("nacl.QLpeaks"));
    EXPECT_FALSE(off.exists("nacl.res"));
    EXPECT_FALSE(json::parse(off.read("nacl.QLsum.json")).contains("peaks"));
}

TEST(PeakSearch, SuperspaceMapsAreNotSearched) {
    TempDir dir;
    dir.write("mod.Quilmo", slurp(std::string(QUILMO_TEST_DATA) + "/inputstep/modulated.Quilmo"));
    ASSERT_EQ(run_quilmo(dir, {"mod", "2"}).status, 0);
    EXPECT_NE(dir.read("mod.QLlog").find("Peak search: the search covers 3-D maps only; none for this map."),
              std::string::npos);
    EXPECT_FALSE(dir.exists("mod.QLpeaks"));
}

}  // namespace
