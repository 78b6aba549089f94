// The Jana m81 density file: direct-access records of single-precision
// values in electrons per cubic angstrom, one record per section of the
// first two axes, after a header record and before a record with the
// extreme values.  Up to six axes; axes beyond sdim carry one point.
//
// Record length: L = 4 * max(nxny, 34) bytes, except that sections of fewer
// than 35 points use records of 35 words.  The header has 35 words, so with
// 34-word records it would not fit its record; lengthening every record
// keeps the file a plain direct-access file whose record 1 holds the whole
// header, and the reader derives the same length from nxny.  Lengths are in
// bytes, the unit of our binary layer (a record-length factor of 4).
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "density/files.h"
#include "density/reports.h"
#include "grid/voxels.h"
#include "textio/records.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

using Bytes = std::vector<unsigned char>;
constexpr int kAxes = 6;
constexpr int kHeaderWords = 35;
constexpr std::int32_t kMapType = 4;  // Fourier map

std::size_t record_length(long nxny) {
    return 4 * static_cast<std::size_t>(nxny < kHeaderWords ? kHeaderWords : nxny);
}

void write_report(RunState& st, const std::string& name, const std::string& error,
                  std::string_view consequence) {
    const std::string file = "Output file: " + name;
    log_block(st, {"Routine WriteJana:", error, file, consequence});
}

void close_report(RunState& st, const std::string& name) {
    write_report(st, name, "Error! Cannot close density file " + name + " !",
                 "Density should have been written, but I\xB4m not sure! Returning...");
}

// Points per axis of the file: nvox, one more with redundant borders, and a
// single point on the axes the density does not have.
std::array<int, kAxes> file_axes(const RunState& st, bool p1) {
    std::array<int, kAxes> nx{};
    for (int i = 1; i <= kAxes; ++i) nx[i - 1] = i <= st.sdim ? st.nvox(i) + (p1 ? 1 : 0) : 1;
    return nx;
}

Bytes header_record(const RunState& st, const std::array<int, kAxes>& nx, bool p1,
                    std::size_t reclen) {
    Bytes rec(reclen, 0);
    const long nxny = static_cast<long>(nx[0]) * nx[1];
    long total = 1;
    for (int v : nx) total *= v;
    for (int i = 0; i < kAxes; ++i) {
        const bool axis = i < st.sdim;
        const float dx = axis ? 1.0f / static_cast<float>(st.nvox(i + 1)) : 1.0f;
        const float xmax = axis ? (p1 ? 1.0f : 1.0f - dx) : 0.0f;
        put_i32(rec, 4 * i, nx[i]);           // words 1-6: points per axis
        put_f32(rec, 32 + 8 * i, 0.0f);       // words 9-20: xmin(i), xmax(i) interleaved
        put_f32(rec, 36 + 8 * i, xmax);
        put_f32(rec, 80 + 4 * i, dx);         // words 21-26: step per axis
        put_i32(rec, 104 + 4 * i, i + 1);     // words 27-32: axis order a b c ...
    }
    put_i32(rec, 24, static_cast<std::int32_t>(nxny));           // word 7: points per section
    put_i32(rec, 28, static_cast<std::int32_t>(total / nxny));   // word 8: number of sections
    put_i32(rec, 128, kMapType);                                 // word 33: map type
    put_i32(rec, 132, 1);                                        // word 34: nsubs
    put_i32(rec, 136, st.sdim != st.rdim ? 1 : 0);               // word 35: satelitybyly
    return rec;
}

// Voxel index of point j (from 0) of section k (from 0) in a file with
// redundant borders: the border points repeat index 0 of their axis.
long border_voxel(const RunState& st, const std::array<int, kAxes>& nx, long k, long j) {
    std::array<long, kAxes> c{};
    c[0] = j % nx[0];
    c[1] = j / nx[0];
    for (int i = 2; i < kAxes; ++i) {
        c[i] = k % nx[i];
        k /= nx[i];
    }
    long voxel = 0;
    for (int i = 1; i <= st.sdim; ++i) {
        long ci = c[i - 1];
        if (ci >= st.nvox(i)) ci -= st.nvox(i);
        voxel += ci * st.n(i - 1);
    }
    return voxel;
}

// Header, sections and extremes; false at the first failed write.
bool write_records(RunState& st, BinaryFile& f, const std::array<int, kAxes>& nx, bool p1,
                   std::size_t reclen, Bytes& section) {
    if (!f.write_direct(1, reclen, header_record(st, nx, p1, reclen))) return false;
    const long nxny = static_cast<long>(nx[0]) * nx[1];
    long nmap = 1;
    for (int i = 2; i < kAxes; ++i) nmap *= nx[i];
    float rmin = 100000000.0f, rmax = -100000000.0f;
    long voxel = 0;
    for (long k = 0; k < nmap; ++k) {
        for (long j = 0; j < nxny; ++j) {
            const long v = p1 ? border_voxel(st, nx, k, j) : voxel++;
            const float value = static_cast<float>(st.rho(v) / st.capvx);
            if (value > rmax) rmax = value;
            if (value < rmin) rmin = value;
            put_f32(section, 4 * static_cast<std::size_t>(j), value);
        }
        if (!f.write_direct(k + 2, reclen, section)) return false;
    }
    Bytes last(reclen, 0);
    put_f32(last, 0, rmax);
    put_f32(last, 4, rmin);
    return f.write_direct(nmap + 2, reclen, last);
}

}  // namespace

FileResult writejana(RunState& st, const std::string& rhofile, bool p1) {
    const std::string name = trim(rhofile);
    FileResult result = FileResult::Ok;
    // The header describes at most six axes; a density with more has no
    // faithful m81 form, so no file is made for it.
    if (st.sdim > kAxes) {
        write_report(st, name, "Error! Cannot open density file " + name + " for writing!",
                     "Nothing has been written! Returning...");
        return FileResult::OpenFailed;
    }
    const std::array<int, kAxes> nx = file_axes(st, p1);
    const std::size_t reclen = record_length(static_cast<long>(nx[0]) * nx[1]);
    Bytes section;
    allocate_or_stop("Error allocating tables of Jana file!", [&] { section.assign(reclen, 0); });

    BinaryFile f;
    if (!f.open(name, BinaryFile::Mode::New)) {
        write_report(st, name, "Error! Cannot open density file " + name + " for writing!",
                     "Nothing has been written! Returning...");
        result = FileResult::OpenFailed;
    } else if (!write_records(st, f, nx, p1, reclen, section)) {
        write_report(st, name, "Error! Cannot write density file " + name + " !",
                     "Something may have been written! Returning...");
        result = FileResult::IoFailed;
    }
    if (f.is_open() && !f.close()) {
        close_report(st, name);
        result = FileResult::CloseFailed;
    }
    if (result == FileResult::Ok) log_written(st, name);
    return result;
}

namespace {

struct JanaHeader {
    std::array<int, kAxes> nx{};
    long nxny = 0, nmap = 0;
    std::array<int, kAxes> iorien{};
    int mapa = 0;
};

JanaHeader parse_header(const Bytes& rec) {
    JanaHeader h;
    for (int i = 0; i < kAxes; ++i) {
        h.nx[i] = get_i32(rec, 4 * i);
        h.iorien[i] = get_i32(rec, 104 + 4 * i);
    }
    h.nxny = get_i32(rec, 24);
    h.nmap = get_i32(rec, 28);
    h.mapa = get_i32(rec, 128);
    return h;
}

// The file must hold exactly the run's grid (plus the border copies): every
// axis the density has matches, every further axis has one point, and the
// sections cover the grid once.  Anything else would read past rho.
bool grid_matches(const RunState& st, const JanaHeader& h, bool borders) {
    if (st.sdim > kAxes) return false;
    long total = 1;
    for (int i = 1; i <= kAxes; ++i) {
        const int want = i <= st.sdim ? st.nvox(i) + (borders ? 1 : 0) : 1;
        if (h.nx[i - 1] != want) return false;
        total *= want;
    }
    return h.nxny == static_cast<long>(h.nx[0]) * h.nx[1] && h.nmap * h.nxny == total;
}

// Stores point j (from 0) of section k (from 0) of a file with redundant
// borders, unless it is a border copy.
void store_border_point(RunState& st, const JanaHeader& h, long k, long j, double value) {
    long p = k * h.nxny + j;
    Coord8 c{};
    for (int i = 1; i <= st.sdim; ++i) {
        c[i - 1] = static_cast<int>(p % h.nx[i - 1]);
        p /= h.nx[i - 1];
        if (c[i - 1] == st.nvox(i)) return;
    }
    st.rho(arraylocation(st, c, 1)) = value;
}

// Reads the sections and the extremes; false at the first failed read.
// A value that is not a finite number sets `fault` to a line naming its
// record.
bool read_sections(RunState& st, BinaryFile& f, const JanaHeader& h, bool borders,
                   std::size_t reclen, std::string& fault) {
    auto finite = [&fault](float v, long record) {
        if (std::isfinite(v)) return true;
        fault = "Record " + std::to_string(record) + ": a value is not a finite number!";
        return false;
    };
    Bytes section;
    allocate_or_stop("Error allocating tables of Jana file!", [&] { section.reserve(reclen); });
    long voxel = 0;
    for (long k = 0; k < h.nmap; ++k) {
        if (!f.read_direct(k + 2, reclen, section)) return false;
        for (long j = 0; j < h.nxny; ++j) {
            const float stored = get_f32(section, 4 * static_cast<std::size_t>(j));
            if (!finite(stored, k + 2)) return false;
            const double value = stored * st.capvx;
            if (borders)
                store_border_point(st, h, k, j, value);
            else
                st.rho(voxel++) = value;
        }
    }
    // The extremes are read word by word, so a last record shorter than the
    // others (as some writers leave it) reads as well.
    const long first_word = (h.nmap + 1) * static_cast<long>(reclen / 4) + 1;
    Bytes word;
    if (!f.read_direct(first_word, 4, word)) return false;
    const float rmax = get_f32(word, 0);
    if (!f.read_direct(first_word + 1, 4, word)) return false;
    const float rmin = get_f32(word, 0);
    if (!finite(rmax, h.nmap + 2) || !finite(rmin, h.nmap + 2)) return false;
    st.rhomax = rmax;
    st.rhomin = rmin;
    return true;
}

}  // namespace

FileResult readjana(RunState& st, const std::string& rhofile) {
    const std::string name = trim(rhofile);
    const std::string_view routine = "Routine ReadJana:";
    FileResult result = FileResult::Ok;
    BinaryFile f;
    Bytes rec;
    // Record 1 starts at byte 0 whatever the record length, so its words can
    // be read before the length (from nxny) is known: the first seven tell
    // whether this is an m81 file at all, the 34 header words follow.
    if (!f.open(name, BinaryFile::Mode::Read) || !f.read_direct(1, 4 * 7, rec)) {
        console_block(st, {routine, "Error! Cannot open density file for reading!",
                         "Nothing has been read! Returning..."});
        result = FileResult::OpenFailed;
    } else if (!f.read_direct(1, 4 * (kHeaderWords - 1), rec)) {
        console_block(st, {routine, "Error! Cannot read density file!",
                         "Something may have been read! Returning..."});
        result = FileResult::IoFailed;
    } else {
        const JanaHeader h = parse_header(rec);
        bool axes_ok = true;
        for (int k = 1; k <= kAxes; ++k)
            if (h.iorien[k - 1] != k && h.iorien[k - 1] != 0) axes_ok = false;
        const bool borders = h.nx[0] == st.nvox(1) + 1;
        if (!axes_ok) {
            console_block(st, {routine, "Warning!", "Cannot read this file!",
                             "Order of axes is not a b c ...!",
                             "Please save density with \xB4normal\xB4 order of axes in JANA."});
            result = FileResult::AxisOrder;
        } else if (h.mapa < 4 || h.mapa > 6) {
            console_block(st, {routine, "Warning!", "Cannot read this file!", "Map type is not Fourier!",
                             "Please save density as Fourier map."});
            result = FileResult::MapType;
        } else if (!grid_matches(st, h, borders)) {
            console_block(st, {routine, "Warning!", "Cannot read this file!",
                             "Total number of voxels is inconsistent with input file!"});
            result = FileResult::GridMismatch;
        } else if (std::string fault; !read_sections(st, f, h, borders, record_length(h.nxny), fault)) {
            if (fault.empty())
                console_block(st, {routine, "Error! Cannot read density file!",
                                   "Something may have been read! Returning..."});
            else
                console_block(st, {routine, "Error! Cannot read density file!", "File: " + name,
                                   fault, "Something may have been read! Returning..."});
            result = FileResult::IoFailed;
        }
    }
    if (f.is_open() && !f.close()) {
        console_block(st, {routine, "Error! Cannot close density file!", kNotSureRead});
        result = FileResult::CloseFailed;
    }
    return result;
}

}  // namespace quilmo
