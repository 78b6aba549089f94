// Densities that hold no usable numbers are refused by every reader, with a
// console report that names the file and the place; a value field cut short
// is refused too instead of being read as another number.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

#include "density/files.h"
#include "density/density_state.h"

using namespace quilmo;
using quilmo_test::DensityRun;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

void put_f64(std::string& b, std::size_t at, double v) { std::memcpy(b.data() + at, &v, 8); }
void put_f32(std::string& b, std::size_t at, float v) { std::memcpy(b.data() + at, &v, 4); }

// Writes the run's density with `writer`, spoils the bytes with `spoil`,
// reads it back with `reader`; returns the reader's result and the console.
template <class Writer, class Reader, class Spoil>
std::pair<FileResult, std::string> spoiled(Writer writer, Reader reader, Spoil spoil) {
    auto run = DensityRun::three(4, 5, 6);
    EXPECT_EQ(writer(run->st, run->path("m")), FileResult::Ok);
    std::string bytes = run->dir.read("m");
    spoil(bytes);
    run->dir.write("bad", bytes);
    const std::vector<double> before = run->st.rho.vec();
    const FileResult result = reader(run->st, run->path("bad"));
    // The console names the file wherever the fault lies.
    std::string out = run->out.str();
    const std::string path = run->path("bad");
    if (out.find(path) != std::string::npos) out.replace(out.find(path), path.size(), "<file>");
    for (double v : run->st.rho.vec()) EXPECT_TRUE(std::isfinite(v));
    return {result, out};
}

}  // namespace

TEST(NonFinite, BinaryValuesAndCellAreRefusedNamingTheRecord) {
    // Binary layout: record 1 = 4 + (8 + 12 + 56) + 4 bytes, record 2 data from byte 88.
    struct Case {
        std::size_t at;
        double value;
        std::string line;
    };
    const std::vector<Case> cases = {
        {88 + 8 * 17, kNaN, "Record 2: value 18 is not a finite number!"},
        {88, -kInf, "Record 2: value 1 is not a finite number!"},
        {4 + 20, 0.0, "Record 1: cell value 1 is not a positive finite number!"},
        {4 + 20 + 8 * 6, kInf, "Record 1: cell value 7 is not a positive finite number!"},
        {4 + 20 + 8 * 4, -90.0, "Record 1: cell value 5 is not a positive finite number!"},
    };
    for (const Case& c : cases) {
        auto [result, out] = spoiled(writerawql, readrawql, [&](std::string& b) { put_f64(b, c.at, c.value); });
        EXPECT_EQ(result, FileResult::IoFailed) << c.line;
        EXPECT_EQ(out, "\nRoutine ReadRawQL:\nError! Cannot read density file!\nFile: <file>\n" + c.line +
                           "\nNothing has been read! Returning...\n\n");
    }
}

TEST(NonFinite, JanaValuesAndExtremesAreRefusedNamingTheRecord) {
    // 4 x 5 sections of 20 points in records of 35 words (140 bytes).
    struct Case {
        std::size_t at;
        float value;
        std::string line;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::vector<Case> cases = {
        {140 + 4 * 3, nan, "Record 2: a value is not a finite number!"},
        {6 * 140 + 4 * 19, inf, "Record 7: a value is not a finite number!"},
        {7 * 140, inf, "Record 8: a value is not a finite number!"},      // rmax
        {7 * 140 + 4, -inf, "Record 8: a value is not a finite number!"}, // rmin
    };
    auto writer = [](RunState& st, const std::string& name) { return writejana(st, name, false); };
    for (const Case& c : cases) {
        auto [result, out] = spoiled(writer, readjana, [&](std::string& b) { put_f32(b, c.at, c.value); });
        EXPECT_EQ(result, FileResult::IoFailed) << c.line;
        EXPECT_EQ(out, "\nRoutine ReadJana:\nError! Cannot read density file!\nFile: <file>\n" + c.line +
                           "\nSomething may have been read! Returning...\n\n");
    }
}

// Line `n` (from 1) of a CR LF text, changed by `edit`.
std::function<void(std::string&)> on_line(int n, std::function<void(std::string&)> edit) {
    return [n, edit](std::string& b) {
        std::size_t start = 0;
        for (int k = 1; k < n; ++k) start = b.find("\r\n", start) + 2;
        const std::size_t end = b.find("\r\n", start);
        std::string line = b.substr(start, end - start);
        edit(line);
        b.replace(start, end - start, line);
    };
}

TEST(NonFinite, AsciiRefusesUnreadableAndCutShortValuesNamingTheLine) {
    struct Case {
        std::string what;
        std::function<void(std::string&)> spoil;
        std::string line;
    };
    // 120 values: lines 5..24 hold six values of 22 columns each.
    const std::vector<Case> cases = {
        {"NaN", on_line(5, [](std::string& l) { l.replace(22, 22, std::string(19, ' ') + "NaN"); }), "Line 5"},
        {"infinity", on_line(9, [](std::string& l) { l.replace(0, 22, std::string(14, ' ') + "Infinity"); }), "Line 9"},
        {"overflow", on_line(24, [](std::string& l) { l.replace(110, 22, std::string(14, ' ') + "1.0E+999"); }), "Line 24"},
        {"last value cut short", [](std::string& b) { b.resize(b.size() - 5); }, "Line 24"},
        {"value line missing", [](std::string& b) { b.resize(b.rfind("\r\n", b.size() - 3) + 2); }, "Line 24"},
        {"extremes unreadable", on_line(4, [](std::string& l) { l = " NaN NaN"; }), "Line 4"},
    };
    for (const Case& c : cases) {
        auto [result, out] = spoiled(writeql, readql, c.spoil);
        EXPECT_EQ(result, FileResult::IoFailed) << c.what;
        EXPECT_EQ(out, "\nRoutine ReadQL:\nError! Cannot read the density file!\n" + c.line +
                           " of <file>\nSomething may have been read! Returning...\n\n")
            << c.what;
    }
}
