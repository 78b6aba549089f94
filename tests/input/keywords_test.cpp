// Handlers of the one-line keywords and the group rules they switch.
#include <gtest/gtest.h>

#include "input/input_run.h"

using namespace quilmo;
using quilmo_test::base_input;
using quilmo_test::InputRun;
using quilmo_test::replaced;

namespace {

// The base input without the keywords of group "mem".
std::string without_mem() {
    std::string s = base_input();
    for (const char* line : {"electrons 100\n", "initialdensity flat\n", "algorithm S-S\n"})
        s = replaced(s, line, "");
    return s;
}

TEST(Perform, DefaultIsAMaximumEntropyRun) {
    InputRun r(base_input());
    ASSERT_FALSE(r.stopped) << r.out();
    EXPECT_TRUE(r.st.performmem);
    EXPECT_FALSE(r.st.flipcharge);
    EXPECT_FALSE(r.st.fourier);
    EXPECT_EQ(r.st.algorithm, 1);
}

TEST(Perform, ChargeFlippingNeedsDeltaButNotTheMemKeywords) {
    InputRun missing(without_mem() + "perform CF\n");
    EXPECT_TRUE(missing.stopped);
    EXPECT_EQ(missing.out(),
              "Error, the compulsory keyword delta is missing in the input file.\n"
              "There were    1 errors in the input file.\n"
              "Please check the input file and try again.\n");
    InputRun ok(without_mem() + "perform CF\ndelta 0.8 fraction\n");
    ASSERT_FALSE(ok.stopped) << ok.out();
    EXPECT_TRUE(ok.st.flipcharge);
    EXPECT_FALSE(ok.st.performmem);
    EXPECT_EQ(trim(ok.st.initrhotype), "flat");
}

TEST(Perform, FourierNeedsTheMemKeywords) {
    InputRun r(without_mem() + "perform fourier\n");
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.said("Error, the compulsory keyword electrons is missing in the input file.\n"));
    EXPECT_TRUE(r.said("There were    3 errors in the input file.\n"));
}

TEST(Perform, UnknownOrSmallLetterWordIsAnError) {
    InputRun r(base_input() + "perform mem\n");
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.said("Error reading keyword perform.\n"));
}

TEST(Dimension, FourDimensionsNeedQVectors) {
    InputRun r(base_input() + "dimension 4\n");
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(r.said("Error, the compulsory keyword qvectors is missing in the input file.\n"));
}

TEST(Dimension, OutsideOneToEightIsRefused) {
    for (const char* d : {"dimension 9", "dimension 0", "realdimension -1"}) {
        InputRun r(base_input() + d + "\n");
        EXPECT_TRUE(r.stopped) << d;
        EXPECT_TRUE(r.said("must lie between 1 and 8!")) << d;
    }
}

TEST(Conweight, TypeLetterAndPowerLimit) {
    InputRun f2(base_input() + "conweight F2\n");
    ASSERT_FALSE(f2.stopped) << f2.out();
    EXPECT_EQ(trim(f2.st.modwgkey), "F2");
    EXPECT_DOUBLE_EQ(f2.st.power, 2.0);
    InputRun h50(base_input() + "conweight H-50\n");
    EXPECT_FALSE(h50.stopped);
    EXPECT_DOUBLE_EQ(h50.st.power, -50.0);
    InputRun x2(base_input() + "conweight X2\n");
    EXPECT_TRUE(x2.said("Incorrect definition of conweight!\nError reading keyword conweight.\n"));
    InputRun h51(base_input() + "conweight H51\n");
    EXPECT_TRUE(h51.said("The absolute value of the power in conweight must be smaller than 50!\n"
                         "Error reading keyword conweight.\n"));
    InputRun bare(base_input() + "conweight F\n");
    EXPECT_TRUE(bare.said("Error reading keyword conweight.\n"));
}

TEST(Delta, ValueAndKind) {
    InputRun frac(without_mem() + "perform CF\ndelta 0.8 fraction\n");
    EXPECT_DOUBLE_EQ(frac.st.cfindelta, 0.8);
    EXPECT_TRUE(frac.st.reldelta);
    EXPECT_FALSE(frac.st.autodelta);
    InputRun automatic(without_mem() + "perform CF\ndelta AUTO\n");
    EXPECT_TRUE(automatic.st.autodelta);
    InputRun plain(without_mem() + "perform CF\ndelta 0.3\n");
    EXPECT_FALSE(plain.st.reldelta);
    EXPECT_DOUBLE_EQ(plain.st.cfindelta, 0.3);
    InputRun percent(without_mem() + "perform CF\ndelta 0.8 percent\n");
    EXPECT_TRUE(percent.said("Error: Keyword delta not properly defined!!!\nError reading keyword delta.\n"));
    InputRun none(without_mem() + "perform CF\ndelta\n");
    EXPECT_TRUE(none.said("Error reading keyword delta.\n"));
}

TEST(SearchSymmetry, Words) {
    InputRun blank_line(base_input() + "searchsymmetry\n");
    EXPECT_TRUE(blank_line.st.searchsym);
    EXPECT_TRUE(blank_line.st.averagesym);
    InputRun shift(base_input() + "searchsymmetry shift\n");
    EXPECT_TRUE(shift.st.searchsym);
    EXPECT_FALSE(shift.st.averagesym);
    InputRun no(base_input() + "searchsymmetry no\n");
    EXPECT_FALSE(no.st.searchsym);
    InputRun bad(base_input() + "searchsymmetry yes\n");
    EXPECT_TRUE(bad.said("Error: Keyword searchsymmetry not properly defined!!!\n"));
}

TEST(PriorSf, WordsAndStops) {
    InputRun one(base_input() + "priorsf 0.1\n");
    EXPECT_TRUE(one.stopped);
    EXPECT_EQ(one.stop, "Error. No maximal sin(theta)/lambda in the keyword priorsf!");
    InputRun none(base_input() + "priorsf\n");
    EXPECT_EQ(none.stop, "Error. No sin(theta)/lambda in the keyword priorsf!");
    InputRun reversed(base_input() + "priorsf 0.5 0.1\n");
    ASSERT_FALSE(reversed.stopped);
    EXPECT_FALSE(reversed.st.addprisf);
    InputRun full(base_input() + "priorsf\t0.1  0.6 0.01 2\n");
    ASSERT_FALSE(full.stopped);
    EXPECT_TRUE(full.st.addprisf);
    EXPECT_DOUBLE_EQ(full.st.pristhmax, 0.6);
    EXPECT_DOUBLE_EQ(full.st.prisigma, 0.01);
    EXPECT_EQ(full.st.maxprisat, 2);
    InputRun word(base_input() + "priorsf 0.1 high\n");
    EXPECT_EQ(word.stop, "Error. Cannot read the number \"high\" in the keyword priorsf!");
    InputRun sat(base_input() + "priorsf 0.1 0.5 0.01 1.5\n");
    EXPECT_TRUE(sat.stopped);
    InputRun zero(base_input() + "priorsf 0.1 0.5 0\n");
    EXPECT_EQ(zero.stop, "Error. The sigma in the keyword priorsf must be positive!");
}

TEST(OutputFormat, XplorOnlyForThreeRealDimensions) {
    InputRun ok(base_input() + "outputformat xplor\n");
    EXPECT_FALSE(ok.stopped) << ok.out();
    // The handler runs in pass 2 before the three-word operator stops the run.
    InputRun four("outputformat xplor\ndimension 4\n" + base_input() + "qvectors\n0 0 0.5\nendqvectors\n");
    EXPECT_TRUE(four.said("The xplor format is aplicable only to 3D data!\nError reading keyword outputformat.\n"));
    const std::string plane =
        "dimension 2\nrealdimension 2\ncell 10 12 90\nvoxel 8 8\nelectrons 10\ninitialdensity flat\n"
        "algorithm S-S\ncentro no\nsymmetry\nx1 x2\nendsymmetry\nfbegin\n1 0 1.0 0.0 0.1\nendf\n";
    InputRun two(plane);
    EXPECT_FALSE(two.stopped) << two.out();
    InputRun xtwo(plane + "outputformat xplor\n");
    EXPECT_TRUE(xtwo.said("The xplor format needs dimension 3 and realdimension 3!\n"
                          "Error reading keyword outputformat.\n"));
}

TEST(Texts, FileNamesTypesAndBase) {
    // A Fourier synthesis reads no initial density, so the named file need
    // not exist.
    InputRun r("perform fourier\n" +
               replaced(base_input(), "initialdensity flat", "initialdensity jana\ninitialfile prior#1.m81") +
               "filebase new\nspacegroup P 1\ncorrection positive_values\noutputfile map.asc  \n");
    ASSERT_FALSE(r.stopped) << r.out();
    EXPECT_EQ(trim(r.st.initrhofile), "prior");
    EXPECT_EQ(trim(r.st.filetitle), "new");
    EXPECT_EQ(r.st.filebase, 4);
    EXPECT_EQ(trim(r.st.spacegrp), "P 1");
    EXPECT_EQ(r.st.ctype, "positive_v");
    EXPECT_EQ(trim(r.st.outrhofile), "map.asc");
    EXPECT_EQ(r.st.outrhofile.size(), 264u);
    EXPECT_NE(r.st.logfile.find("t.QLlog"), std::string::npos);
}

TEST(Texts, NonFlatInitialDensityNeedsAFile) {
    InputRun r(replaced(base_input(), "initialdensity flat", "initialdensity jana"));
    EXPECT_TRUE(r.said("Error, the compulsory keyword initialfile is missing in the input file.\n"));
    InputRun ref(base_input() + "referencedensity QLascii\n");
    EXPECT_TRUE(ref.said("Error, the compulsory keyword referencefile is missing in the input file.\n"));
    InputRun base(base_input() + "filebase\n");
    EXPECT_TRUE(base.said("Error reading keyword filebase.\n"));
}

TEST(Numbers, SwitchesAndSeeds) {
    InputRun r(base_input() +
               "2channel yes\nconorder 4\nmemcheck 10\nBiso 1.5\nweakratio 0.2\nrandomseed 17\n"
               "maxrvalue 0.3\nexpandedlog yes\nsymtable yes\nfixsymops 1 2 3\nregularwidth 0.1 0 0.2\n");
    ASSERT_FALSE(r.stopped) << r.out();
    EXPECT_EQ(r.st.nchan, 2);
    EXPECT_EQ(r.st.actcon, 4);
    EXPECT_EQ(r.st.memcheck, 10);
    EXPECT_DOUBLE_EQ(r.st.biso, 1.5);
    EXPECT_FALSE(r.st.autors);
    EXPECT_EQ(r.st.randomseed, 17);
    EXPECT_TRUE(r.st.expandedlog && r.st.symtabon && r.st.symfix);
    EXPECT_EQ(r.st.symfixlist[3], 3);
    EXPECT_DOUBLE_EQ(r.st.wrf(3), 0.2);
    // A halfwidth of 0 is reported but not counted.
    EXPECT_EQ(r.out(), "Error, the halfwidth of the regularization function <=0!\n");
    InputRun automatic(base_input() + "randomseed AUTO\n");
    EXPECT_TRUE(automatic.st.autors);
}

TEST(Numbers, ImpossibleValuesAreRefused) {
    InputRun big(base_input() + "conorder 10\n");
    EXPECT_TRUE(big.said("must lie between 1 and 8!\nError reading keyword conorder.\n"));
    InputRun odd(base_input() + "conorder 3\n");
    EXPECT_EQ(odd.st.actcon, 3);
    InputRun vox(replaced(base_input(), "voxel 8 8 8", "voxel 8 0 8"));
    EXPECT_TRUE(vox.said("Error, the number of voxels along every axis must be positive!\n"));
    InputRun huge(replaced(base_input(), "voxel 8 8 8", "voxel 2000 2000 2000"));
    EXPECT_TRUE(huge.said("Error, the voxel grid 2000 x 2000 x 2000 needs about "));
    InputRun shortcell(replaced(base_input(), "cell 10 10 10 90 90 90", "cell 10 10 10 90 90"));
    EXPECT_TRUE(shortcell.said("Error reading keyword cell.\n"));
}

}  // namespace

// A refused dimension is not kept while the reading goes on: the blocks
// after it still index the fixed tables of 8 dimensions.
TEST(Numbers, RefusedDimensionsAreNotKept) {
    for (const char* line : {"dimension 64\n", "realdimension 64\n", "dimension 0\n"}) {
        InputRun r(line + base_input());
        EXPECT_TRUE(r.stopped) << line;
        EXPECT_TRUE(r.said("must lie between 1 and 8!")) << line << r.out();
        EXPECT_EQ(r.st.sdim, 3) << line;
        EXPECT_EQ(r.st.rdim, 3) << line;
    }
}

TEST(Speed, ThreadsAndPlanCache) {
    InputRun defaults(base_input());
    EXPECT_EQ(defaults.st.nthreads, 1);
    EXPECT_TRUE(defaults.st.plancache);
    InputRun r(base_input() + "threads 256\nplancache no\n");
    ASSERT_FALSE(r.stopped) << r.out();
    EXPECT_EQ(r.st.nthreads, 256);
    EXPECT_FALSE(r.st.plancache);
    const std::pair<const char*, const char*> bad[] = {
        {"threads 0", "Error, the number of threads must lie between 1 and 256!\nError reading keyword threads.\n"},
        {"threads 257", "Error, the number of threads must lie between 1 and 256!\nError reading keyword threads.\n"},
        {"threads two", "Error reading keyword threads.\n"},
        {"plancache off", "Error reading keyword plancache.\n"},
    };
    for (const auto& [line, message] : bad) {
        InputRun b(base_input() + line + "\n");
        EXPECT_TRUE(b.stopped) << line;
        EXPECT_TRUE(b.said(message)) << line << b.out();
    }
}

TEST(PeakSearch, PeaksCompositionAndWavelength) {
    InputRun defaults(base_input());
    EXPECT_EQ(defaults.st.npeaks, -1);
    EXPECT_TRUE(blank(defaults.st.composition));
    EXPECT_EQ(defaults.st.wavelength, 0.71073);
    InputRun r(base_input() + "peaks 40\ncomposition C12 H22 O11 Z 2\nwavelength 1.54184\n");
    ASSERT_FALSE(r.stopped) << r.out();
    EXPECT_EQ(r.st.npeaks, 40);
    EXPECT_EQ(trim(r.st.composition), "C12 H22 O11 Z 2");
    EXPECT_EQ(r.st.wavelength, 1.54184);
    const std::pair<const char*, const char*> bad[] = {
        {"peaks -1", "Error, the number of peaks must not be negative!\nError reading keyword peaks.\n"},
        {"peaks many", "Error reading keyword peaks.\n"},
        {"composition C12 Hx22",
         "Error in the composition: unknown element Hx!\nError reading keyword composition.\n"},
        {"composition", "Error in the composition: no element given!\nError reading keyword composition.\n"},
        {"wavelength 0", "Error, the wavelength must be positive!\nError reading keyword wavelength.\n"},
    };
    for (const auto& [line, message] : bad) {
        InputRun b(base_input() + line + "\n");
        EXPECT_TRUE(b.stopped) << line;
        EXPECT_TRUE(b.said(message)) << line << b.out();
    }
}
