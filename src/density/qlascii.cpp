// The native ASCII density file: grid, cell and extreme values in a short
// header, then every voxel value in grid order, six to a line.
#include <algorithm>
#include <string>
#include <vector>

#include "density/files.h"
#include "density/reports.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

constexpr int kPerLine = 6;
constexpr int kField = 22;  // columns of one value

void read_report(RunState& st, std::string_view error, std::string_view consequence) {
    console_block(st, {"Routine ReadQL:", error, consequence});
}

// Writes everything after the open; false at the first failed write.
bool write_body(RunState& st, TextOut& out) {
    if (!out.write("(2I4)", {st.sdim, st.rdim})) return false;
    for (int i = 1; i <= st.sdim; ++i)
        if (!out.write("(I9)", {st.nvox(i)}, i == st.sdim)) return false;
    for (int i = 1; i <= st.ncellpar; ++i)
        if (!out.write("(1X,F10.5)", {st.cell(i)}, false)) return false;
    if (!out.write("(1X,F10.2)", {st.cell(st.cellcon)})) return false;

    // The maximum starts at zero, not at the first value: a map without
    // positive values records 0.0 as its maximum.
    st.rhomax = 0.0;
    st.rhomin = st.rho(0);
    for (double v : st.rho.vec()) {
        if (v > st.rhomax) st.rhomax = v;
        if (v < st.rhomin) st.rhomin = v;
    }
    if (!out.write("(1X,ES13.6,1X,ES13.6)", {st.rhomin, st.rhomax})) return false;

    const double* rho = st.rho.data();
    const long full = st.nvoxtot / kPerLine;
    for (long q = 0; q < full; ++q, rho += kPerLine) {
        if (!out.write("(6(ES22.15))", {rho[0], rho[1], rho[2], rho[3], rho[4], rho[5]}))
            return false;
    }
    // The partial last line stays open; closing the file ends it.
    for (long v = full * kPerLine; v < st.nvoxtot; ++v, ++rho)
        if (!out.write("(ES22.15)", {*rho}, false)) return false;
    return true;
}

// `line` follows the line being read, for the report of a failed read,
// which returns IoFailed; a grid that is not the run's is reported here.
FileResult read_body(RunState& st, TextIn& in, long& line) {
    int sdim = 0, rdim = 0;
    line = 1;
    if (in.read("(2I4)", {sdim, rdim}) != kReadOk) return FileResult::IoFailed;
    if (sdim != st.sdim || rdim != st.rdim) {
        read_report(st, "Dimensions is not equal to input file!", "Please try again...");
        return FileResult::GridMismatch;
    }

    line = 2;
    std::vector<int> dummies;
    allocate_or_stop("Error allocating dummies! Subroutine ReadQL!",
                     [&] { dummies.assign(static_cast<std::size_t>(st.sdim), 0); });
    for (int i = 1; i <= st.sdim; ++i)
        if (in.read("(I9)", {dummies[i - 1]}, i == st.sdim) != kReadOk) return FileResult::IoFailed;
    for (int i = 1; i <= st.sdim; ++i) {
        if (dummies[i - 1] != st.nvox(i)) {
            read_report(st, "Voxelspacing is not equal to input file!", "Please try again...");
            return FileResult::GridMismatch;
        }
    }

    // The lattice parameters are compared as read (the file holds them
    // rounded to five decimals); the run keeps its own cell either way.
    line = 3;
    bool same_cell = true;
    for (int i = 1; i <= st.cellcon; ++i) {
        double value = 0;
        const bool last = i == st.cellcon;
        if (in.read(last ? "(1X,F10.2)" : "(1X,F10.5)", {value}, last) != kReadOk)
            return FileResult::IoFailed;
        if (i <= st.ncellpar && value != st.cell(i)) same_cell = false;
    }
    if (!same_cell)
        console_block(st, {"Routine ReadQL:", "Warning: Cell parameters are not equal to input file!"});

    line = 4;
    if (in.read("(1X,ES13.6,1X,ES13.6)", {st.rhomin, st.rhomax}) != kReadOk) return FileResult::IoFailed;

    // Each value line must hold its values whole: a field cut short (a file
    // that ends in the middle of its last value) would otherwise be padded
    // with blanks and read as another number.
    double* rho = st.rho.data();
    std::string record;
    for (long v = 0; v < st.nvoxtot; v += kPerLine) {
        const long count = std::min<long>(kPerLine, st.nvoxtot - v);
        line = 5 + v / kPerLine;
        if (in.readline(record) != kReadOk) return FileResult::IoFailed;
        if (record.size() < static_cast<std::size_t>(kField * count)) return FileResult::IoFailed;
        if (fparse("(6ES22.15)", record, {ReadTarget::array(rho + v, count)}) != kReadOk)
            return FileResult::IoFailed;
    }
    return FileResult::Ok;
}

}  // namespace

FileResult writeql(RunState& st, const std::string& rhofile) {
    return write_text_density(st, rhofile, "Routine WriteQL:", true,
                              [&st](TextOut& out) { return write_body(st, out); });
}

FileResult readql(RunState& st, const std::string& rhofile) {
    TextIn in;
    FileResult result = FileResult::Ok;
    long line = 0;
    if (!in.open(trim(rhofile))) {
        read_report(st, "Error! Cannot open density file for reading!",
                    "Nothing has been read! Returning...");
        result = FileResult::OpenFailed;
    } else if ((result = read_body(st, in, line)) == FileResult::IoFailed) {
        // The place of the fault tells the user what to mend.
        const std::string where = "Line " + std::to_string(line) + " of " + trim(rhofile);
        console_block(st, {"Routine ReadQL:", "Error! Cannot read the density file!", where,
                           "Something may have been read! Returning..."});
    }
    if (!in.close()) {
        read_report(st, "Error! Cannot close the density file!", kNotSureRead);
        result = FileResult::CloseFailed;
    }
    return result;
}

}  // namespace quilmo
