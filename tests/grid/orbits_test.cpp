#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "geometry/symmetry.h"
#include "grid/orbits.h"
#include "grid/voxels.h"
#include "support/crystal.h"
#include "support/e2e.h"
#include "textio/stop.h"

using namespace quilmo;
using quilmo_test::Op;

namespace {

const std::vector<double> kE = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const std::vector<double> kInv = {-1, 0, 0, 0, -1, 0, 0, 0, -1};
const std::vector<double> kZero = {0, 0, 0};

// The 48 signed permutation matrices: the point group m-3m.
std::vector<Op> cubic_group() {
    std::vector<Op> ops;
    int perm[3] = {0, 1, 2};
    do {
        for (int signs = 0; signs < 8; ++signs) {
            Op op{std::vector<double>(9, 0.0), kZero};
            for (int i = 0; i < 3; ++i) op.r[static_cast<std::size_t>(i * 3 + perm[i])] = (signs >> i & 1) ? -1 : 1;
            ops.push_back(op);
        }
    } while (std::next_permutation(perm, perm + 3));
    std::stable_partition(ops.begin(), ops.end(), [](const Op& o) { return o.r == kE; });
    return ops;
}

std::string i32(int v) {
    std::string s(4, '\0');
    for (int k = 0; k < 4; ++k) s[static_cast<std::size_t>(k)] = static_cast<char>((static_cast<unsigned>(v) >> (8 * k)) & 0xff);
    return s;
}

// One sequential record of 4-byte integers.
std::string record(const std::vector<int>& items) {
    std::string data;
    for (int v : items) data += i32(v);
    return i32(static_cast<int>(data.size())) + data + i32(static_cast<int>(data.size()));
}

struct Orbits {
    quilmo_test::TempDir dir;
    RunState st;
    std::ostringstream con;

    void setup(const std::vector<Op>& ops, std::vector<int> nvox) {
        quilmo_test::make_crystal(st, con, {10, 10, 10, 90, 90, 90}, nvox);
        quilmo_test::set_symmetry(st, ops);
        int errcd = 0;
        completesymmetry(st, errcd);
        ASSERT_EQ(errcd, 0) << con.str();
        expandsym(st);
        discretesym(st);
        st.logfile = fixed((dir / "t.QLlog").string(), 264);
        st.memreflfile = fixed((dir / "t.QLout").string(), 264);
        st.symfile = fixed((dir / "t.QLsymtb").string(), 264);
    }
    std::vector<int> table() const { return st.rhotab.vec(); }
    std::vector<std::string> log() const { return quilmo_test::lines_of(dir.read("t.QLlog")); }
};

const std::vector<std::string> kWriteFailure = {"", "Routine rhoMultiplicity:", "Error! Cannot write into symmetry file!",
                                                "Something may have been saved! Stopping...", ""};
const std::vector<std::string> kCloseFailure = {"", "Routine rhoMultiplicity:", "Error! Cannot close the symmetry file!",
                                                "Density should have been saved, but I\xB4m not sure! Stopping...", ""};

}  // namespace

TEST(Rhomultiplicity, IdentityGivesOneOrbitPerVoxel) {
    Orbits o;
    o.setup({{kE, kZero}}, {2, 2, 2});
    rhomultiplicity(o.st);
    EXPECT_EQ(o.st.norb, 8);
    EXPECT_EQ(o.table(), (std::vector<int>{1, 0, 1, 1, 1, 2, 1, 3, 1, 4, 1, 5, 1, 6, 1, 7}));
    EXPECT_EQ(o.dir.read("t.QLlog"), "\r\nVoxels in unitcell       :               8\r\n"
                                     "Voxels in asymmetric unit:               8\r\n");
    EXPECT_EQ(o.dir.read("t.QLout"), "\r\n Voxels in unit cell/asymmetric unit:           8           8\r\n\r\n");
    EXPECT_FALSE(o.dir.exists("t.QLsymtb"));
}

TEST(Rhomultiplicity, InversionPairsVoxels) {
    Orbits o;
    o.setup({{kE, kZero}, {kInv, kZero}}, {4, 1, 1});
    rhomultiplicity(o.st);
    EXPECT_EQ(o.st.norb, 3);
    EXPECT_EQ(o.table(), (std::vector<int>{1, 0, 2, 1, 3, 1, 2}));
}

TEST(Rhomultiplicity, CubicGroupPartitionsTheGrid) {
    Orbits o;
    o.setup(cubic_group(), {6, 6, 6});
    ASSERT_EQ(o.st.nsym, 48);
    rhomultiplicity(o.st);
    // Orbits of m-3m on a 6x6x6 grid: coordinates 0..5 fall into the classes
    // {0}, {3}, {1,5}, {2,4}; counting the orbits by those classes gives 20.
    EXPECT_EQ(o.st.norb, 20);
    std::vector<int> seen(216, 0);
    const std::vector<int> tab = o.table();
    long t = 1;
    for (int orb = 0; orb < o.st.norb; ++orb) {
        const int m = o.st.rhotab(t);
        std::vector<int> members(tab.begin() + t, tab.begin() + t + m);
        EXPECT_EQ(*std::min_element(members.begin(), members.end()), members[0]);
        for (int v : members) ++seen[static_cast<std::size_t>(v)];
        for (int s = 1; s <= 48; ++s) {  // closed under every operator
            Coord8 img = symop(o.st, s, coordinates(o.st, members[0], 1));
            EXPECT_NE(std::find(members.begin(), members.end(), arraylocation(o.st, img, 1)), members.end());
        }
        t += m + 1;
    }
    EXPECT_EQ(t, 20 + 216 + 1);
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int c) { return c == 1; }));
}

// The first record ends with the fingerprint of the operators, two words
// that only a run with the same operators on the same grid reproduces.
std::string fingerprint_words(const std::string& file) { return file.substr(4 + 28, 8); }

TEST(Rhomultiplicity, TableFileRoundTripAndOtherOperatorsComputeAgain) {
    Orbits o;
    o.setup({{kE, kZero}, {kInv, kZero}}, {4, 1, 1});
    o.st.symtabon = true;
    rhomultiplicity(o.st);
    const std::string file = o.dir.read("t.QLsymtb");
    std::string expected = record({3, 3, 4, 1, 1, 3, 7});
    expected.insert(4 + 28, fingerprint_words(file));
    expected.replace(0, 4, i32(36)), expected.replace(4 + 36, 4, i32(36));
    for (int v : {1, 0, 2, 1, 3, 1, 2}) expected += record({v});
    EXPECT_EQ(file, expected);

    // The same operators read the table back without a word.
    o.setup({{kE, kZero}, {kInv, kZero}}, {4, 1, 1});
    o.st.symtabon = false;
    o.st.rhotab.deallocate();
    rhomultiplicity(o.st);
    EXPECT_EQ(o.table(), (std::vector<int>{1, 0, 2, 1, 3, 1, 2}));
    EXPECT_EQ(o.con.str(), "");

    // Another group on the same grid has other orbits: the table is computed
    // again and, with symtabon, replaces the file.
    o.setup({{kE, kZero}}, {4, 1, 1});
    o.st.symtabon = true;
    o.st.rhotab.deallocate();
    rhomultiplicity(o.st);
    EXPECT_EQ(o.st.norb, 4);
    const std::string line = "The symmetry table file " + (o.dir / "t.QLsymtb").string() +
                             " does not record these operators; it is computed again.";
    EXPECT_EQ(o.con.str(), line + "\n");
    EXPECT_NE(fingerprint_words(o.dir.read("t.QLsymtb")), fingerprint_words(file));

    // A file without the fingerprint, as written before it was recorded, is
    // not trusted either, even when its table happens to be right.
    std::string unmarked = record({3, 3, 4, 1, 1, 3, 7});
    for (int v : {1, 0, 2, 1, 3, 1, 2}) unmarked += record({v});
    o.dir.write("t.QLsymtb", unmarked);
    o.con.str("");
    o.setup({{kE, kZero}, {kInv, kZero}}, {4, 1, 1});
    o.st.rhotab.deallocate();
    rhomultiplicity(o.st);
    EXPECT_EQ(o.con.str(), line + "\n");
    EXPECT_EQ(o.dir.read("t.QLsymtb"), file);
}

TEST(Rhomultiplicity, TableOfAnotherGridIsReplaced) {
    Orbits o;
    o.dir.write("t.QLsymtb", record({3, 3, 4, 1, 1, 3, 7}) + record({1}) + record({0}));
    o.setup({{kE, kZero}}, {4, 2, 1});
    rhomultiplicity(o.st);
    EXPECT_EQ(o.st.norb, 8);

    // Writing the new table must not overwrite the old file.
    o.st.symtabon = true;
    EXPECT_THROW(rhomultiplicity(o.st), RunStop);
    auto log = o.log();
    std::vector<std::string> tail(log.end() - 6, log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"", "Routine rhoMultiplicity:", "Error! Cannot open the symmetry file for writing!",
                                              "If an old one is around either delete or backup it!",
                                              "Nothing has been saved! Stopping...", ""}));
}

// The table file is a cache: a damaged one is reported on the console and in
// the log, the table is computed again, and with symtabon the file is
// replaced by a sound one; the run goes on.
TEST(Rhomultiplicity, DamagedTableFilesAreComputedAgain) {
    std::string whole;
    {
        Orbits o;
        o.setup({{kE, kZero}, {kInv, kZero}}, {4, 1, 1});
        o.st.symtabon = true;
        rhomultiplicity(o.st);
        whole = o.dir.read("t.QLsymtb");
    }
    // A first record with this group's fingerprint.
    auto first = [&](const std::vector<int>& items) {
        std::string r = record(items);
        r.insert(r.size() - 4, fingerprint_words(whole));
        const int len = static_cast<int>(r.size()) - 8;
        return i32(len) + r.substr(4, r.size() - 8) + i32(len);
    };
    const std::vector<std::string> files = {
        whole.substr(0, whole.size() - 18),                                   // ends inside an entry record
        first({3, 3, 4, 1, 1, 3, 1 << 30}) + record({1}),                     // counts of no 4x1x1 grid
        first({3, 3, 4, 1, 1, 2, 6}) + record({1}) + record({0}) + record({3}) + record({1}) + record({2}) +
            record({9}),                                                      // voxel 9 lies off the grid
        "",                                                                   // no first record
        record({3, 3, 4}),                                                    // first record too short
        std::string(40, '\x7f'),                                              // no records at all
    };
    for (bool symtabon : {false, true}) {
        for (const std::string& file : files) {
            Orbits o;
            o.dir.write("t.QLsymtb", file);
            o.setup({{kE, kZero}, {kInv, kZero}}, {4, 1, 1});
            o.st.symtabon = symtabon;
            ASSERT_NO_THROW(rhomultiplicity(o.st)) << o.con.str();
            EXPECT_EQ(o.table(), (std::vector<int>{1, 0, 2, 1, 3, 1, 2}));
            const std::string line = "The symmetry table file " + (o.dir / "t.QLsymtb").string() +
                                     " is damaged; it is computed again.";
            EXPECT_EQ(o.con.str(), line + "\n");
            EXPECT_EQ(o.log().at(0), line);
            EXPECT_TRUE(o.dir.exists("t.QLout"));
            // Kept as it was without symtabon, replaced by the sound table with it.
            EXPECT_EQ(o.dir.read("t.QLsymtb") == whole, symtabon);
            EXPECT_FALSE(o.st.console_told);  // not a stop reason
        }
    }
}
