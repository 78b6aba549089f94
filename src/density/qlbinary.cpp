// The native binary density file: two sequential records, a header with the
// grid and the cell, then the voxel values as little-endian doubles.
#include <cmath>
#include <string>
#include <vector>

#include "density/files.h"
#include "density/reports.h"
#include "textio/records.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

using Bytes = std::vector<unsigned char>;

void write_report(RunState& st, const std::string& name, std::string_view error,
                  std::string_view consequence) {
    const std::string file = "Output file: " + name;
    log_block(st, {"Routine WriteRawQL:", error, file, consequence});
}

void read_report(RunState& st, std::string_view error, std::string_view consequence) {
    console_block(st, {"Routine ReadRawQL:", error, consequence});
}

Bytes header_record(const RunState& st) {
    Bytes rec(static_cast<std::size_t>(8 + 4 * st.sdim + 8 * st.cellcon));
    put_i32(rec, 0, st.sdim);
    put_i32(rec, 4, st.rdim);
    std::size_t at = 8;
    for (int i = 1; i <= st.sdim; ++i, at += 4) put_i32(rec, at, st.nvox(i));
    for (int i = 1; i <= st.cellcon; ++i, at += 8) put_f64(rec, at, st.cell(i));
    return rec;
}

Bytes density_record(const RunState& st) {
    Bytes rec;
    allocate_or_stop("Error allocating the record of the binary density file!",
                     [&] { rec.resize(8 * static_cast<std::size_t>(st.nvoxtot)); });
    for (long v = 0; v < st.nvoxtot; ++v) put_f64(rec, 8 * static_cast<std::size_t>(v), st.rho(v));
    return rec;
}

// The header must describe the run's own grid: the density record is read
// with the run's voxel count, so a file for any other grid (a larger one
// included) would leave nvox disagreeing with nvoxtot.  Only the cell is
// taken from the file.
bool header_matches(const RunState& st, const Bytes& rec) {
    if (rec.size() < 8) return false;
    const int sdim = get_i32(rec, 0), rdim = get_i32(rec, 4);
    if (sdim != st.sdim || rdim != st.rdim) return false;
    if (rec.size() < static_cast<std::size_t>(8 + 4 * st.sdim + 8 * st.cellcon)) return false;
    for (int i = 1; i <= st.sdim; ++i)
        if (get_i32(rec, static_cast<std::size_t>(4 + 4 * i)) != st.nvox(i)) return false;
    return true;
}

// Reads both records; the run state changes only when both are sound.  A
// cell or a value that is no usable number sets `fault` to a line naming
// the record, so the user learns what is wrong with the file.
bool read_records(RunState& st, BinaryFile& f, std::string& fault) {
    Bytes header, density;
    if (f.read_record(header) != 0 || !header_matches(st, header)) return false;
    // The cell replaces the run's own: a cell parameter or volume that is
    // not a positive finite number would spoil every later step.
    const std::size_t cell_at = 8 + 4 * static_cast<std::size_t>(st.sdim);
    for (int i = 1; i <= st.cellcon; ++i) {
        const double c = get_f64(header, cell_at + 8 * static_cast<std::size_t>(i - 1));
        if (!std::isfinite(c) || c <= 0) {
            fault = "Record 1: cell value " + std::to_string(i) + " is not a positive finite number!";
            return false;
        }
    }
    // A file that ends after the header holds no density: that is a failed
    // read, never a success with rho untouched.
    if (f.read_record(density) != 0) return false;
    if (density.size() < 8 * static_cast<std::size_t>(st.nvoxtot)) return false;
    for (long v = 0; v < st.nvoxtot; ++v) {
        if (!std::isfinite(get_f64(density, 8 * static_cast<std::size_t>(v)))) {
            fault = "Record 2: value " + std::to_string(v + 1) + " is not a finite number!";
            return false;
        }
    }
    for (int i = 1; i <= st.cellcon; ++i)
        st.cell(i) = get_f64(header, cell_at + 8 * static_cast<std::size_t>(i - 1));
    for (long v = 0; v < st.nvoxtot; ++v) st.rho(v) = get_f64(density, 8 * static_cast<std::size_t>(v));
    return true;
}

}  // namespace

FileResult writerawql(RunState& st, const std::string& rhofile) {
    const std::string name = trim(rhofile);
    BinaryFile f;
    FileResult result = FileResult::Ok;
    if (!f.open(name, BinaryFile::Mode::New)) {
        write_report(st, name, "Error! Cannot open the density file for writing!",
                     "Nothing has been saved! Returning...");
        result = FileResult::OpenFailed;
    } else if (!f.write_record(header_record(st)) || !f.write_record(density_record(st))) {
        write_report(st, name, "Error! Cannot write into density file!",
                     "Something may have been saved! Returning...");
        result = FileResult::IoFailed;
    }
    if (f.is_open() && !f.close()) {
        write_report(st, name, "Error! Cannot close the density file!", kNotSureSaved);
        result = FileResult::CloseFailed;
    }
    if (result == FileResult::Ok) log_written(st, name);
    return result;
}

FileResult readrawql(RunState& st, const std::string& rhofile) {
    BinaryFile f;
    FileResult result = FileResult::Ok;
    if (!f.open(trim(rhofile), BinaryFile::Mode::Read)) {
        read_report(st, "Error! Cannot open density file for reading!",
                    "Nothing has been read! Returning...");
        result = FileResult::OpenFailed;
    } else if (std::string fault; !read_records(st, f, fault)) {
        if (fault.empty())
            console_block(st, {"Routine ReadRawQL:", "Error! Cannot read density file!",
                               "Maybe wrong dimensions or voxel spacing?",
                               "Something may have been read! Returning..."});
        else
            console_block(st, {"Routine ReadRawQL:", "Error! Cannot read density file!",
                               "File: " + trim(rhofile), fault,
                               "Nothing has been read! Returning..."});
        result = FileResult::IoFailed;
    }
    if (f.is_open() && !f.close()) {
        read_report(st, "Error! Cannot close density file!", kNotSureRead);
        result = FileResult::CloseFailed;
    }
    return result;
}

}  // namespace quilmo
