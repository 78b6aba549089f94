// CCP4/MRC map files, the format of the everyday map viewers and
// model-building programs: a header of 256 four-byte words (1024 bytes), an
// optional symmetry block, then the values along columns, rows and sections.
// We write 32-bit reals in electrons per cubic angstrom with the cell axes
// in their own order; we read any axis order, little- or big-endian.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "density/files.h"
#include "density/reports.h"
#include "textio/stop.h"
#include "run/version.h"
#include "textio/records.h"

namespace quilmo {

namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::size_t kHeader = 1024;

// Byte offset of header word `w` (words count from 1).
constexpr std::size_t at(int w) { return 4 * static_cast<std::size_t>(w - 1); }

// The single label: program, version and the run title, cut at 80 columns.
std::string label(const RunState& st) {
    std::string text = std::string("Quilmo ") + version() + " electron density (e/A^3)";
    if (!blank(st.title)) text += ": " + trim(st.title);
    return fixed(text, 80);
}

// The whole file in memory: the header, then one value per voxel in rho's
// order, which is the column-row-section order for axes 1, 2, 3.
Bytes map_image(const RunState& st) {
    const std::size_t count = static_cast<std::size_t>(st.nvoxtot);
    Bytes buf;
    allocate_or_stop("Error allocating the CCP4 map buffer!", [&] { buf.assign(kHeader + 4 * count, 0); });
    double sum = 0;
    float amin = std::numeric_limits<float>::max(), amax = std::numeric_limits<float>::lowest();
    for (std::size_t v = 0; v < count; ++v) {
        const float x = static_cast<float>(st.rho(static_cast<long>(v)) / st.capvx);
        put_f32(buf, kHeader + 4 * v, x);
        sum += x;
        amin = std::min(amin, x);
        amax = std::max(amax, x);
    }
    const double mean = sum / static_cast<double>(count);
    double dev = 0;
    for (std::size_t v = 0; v < count; ++v) {
        const double d = get_f32(buf, kHeader + 4 * v) - mean;
        dev += d * d;
    }
    for (int i = 1; i <= 3; ++i) {
        put_i32(buf, at(i), st.nvox(i));                               // words 1-3: NC, NR, NS
        put_i32(buf, at(7 + i), st.nvox(i));                           // words 8-10: intervals along a, b, c
        put_f32(buf, at(10 + i), static_cast<float>(st.cell(i)));      // words 11-13: a, b, c
        put_f32(buf, at(13 + i), static_cast<float>(st.cell(3 + i)));  // words 14-16: angles
        put_i32(buf, at(16 + i), i);                                   // words 17-19: MAPC, MAPR, MAPS
    }
    put_i32(buf, at(4), 2);  // MODE: 32-bit reals; words 5-7 (starts) stay 0
    put_f32(buf, at(20), amin);
    put_f32(buf, at(21), amax);
    put_f32(buf, at(22), static_cast<float>(mean));
    put_i32(buf, at(23), 1);      // ISPG: the map covers the whole cell
    put_i32(buf, at(28), 20140);  // NVERSION: MRC2014; NSYMBT (24) and ORIGIN stay 0
    std::memcpy(buf.data() + at(53), "MAP ", 4);
    buf[at(54)] = 0x44;  // MACHST: little-endian reals and integers
    buf[at(54) + 1] = 0x44;
    put_f32(buf, at(55), static_cast<float>(std::sqrt(dev / static_cast<double>(count))));
    put_i32(buf, at(56), 1);  // NLABL
    const std::string text = label(st);
    std::memcpy(buf.data() + at(57), text.data(), 80);
    return buf;
}

// ---------------------------------------------------------------- reading

// Header words of a file of either byte order.
struct Words {
    const Bytes& b;
    bool swap;
    std::uint32_t raw(std::size_t off) const {
        std::uint32_t u;
        std::memcpy(&u, b.data() + off, 4);
        if (swap) u = __builtin_bswap32(u);
        return u;
    }
    std::int32_t i(int w) const { return static_cast<std::int32_t>(raw(at(w))); }
    float f(std::size_t off) const {
        const std::uint32_t u = raw(off);
        float x;
        std::memcpy(&x, &u, 4);
        return x;
    }
};

std::string grid_text(const std::array<long, 3>& g) {
    return std::to_string(g[0]) + " x " + std::to_string(g[1]) + " x " + std::to_string(g[2]);
}

void read_failure(RunState& st) {
    console_block(st, {"Routine ReadCCP4:", "Error! Cannot read density file!",
                       "Maybe a truncated file or an inconsistent header?",
                       "Something may have been read! Returning..."});
}

// Checks the header, then reads every value into `out` (electrons per
// voxel, rho's order).  Writes its own report and returns the result.
FileResult parse_map(RunState& st, const Bytes& b, std::vector<double>& out) {
    if (st.sdim != 3 || st.rdim != 3) {
        console_block(st, {"Routine ReadCCP4:", "A CCP4 map holds a three-dimensional density only!",
                           "Please try again..."});
        return FileResult::GridMismatch;
    }
    if (b.size() < kHeader || std::memcmp(b.data() + at(53), "MAP", 3) != 0) {
        read_failure(st);
        return FileResult::IoFailed;
    }
    const Words w{b, b[at(54)] == 0x11};  // 0x11: big-endian writer
    const int mode = w.i(4);
    std::array<long, 3> ext{}, start{}, sampling{};
    std::array<int, 3> axis{};  // cell axis (0..2) along columns, rows, sections
    bool sound = w.i(24) >= 0;
    std::array<bool, 3> seen{};
    for (int k = 0; k < 3; ++k) {
        const int a = w.i(17 + k);
        sound = sound && a >= 1 && a <= 3 && !seen[a - 1] && w.i(1 + k) > 0;
        if (!sound) break;
        seen[a - 1] = true;
        axis[k] = a - 1;
    }
    if (!sound) {
        read_failure(st);
        return FileResult::IoFailed;
    }
    std::array<long, 3> cnt{};
    for (int k = 0; k < 3; ++k) {
        cnt[k] = w.i(1 + k);
        ext[axis[k]] = w.i(1 + k);
        start[axis[k]] = w.i(5 + k);
        sampling[k] = w.i(8 + k);
    }
    const int bytes = mode == 0 ? 1 : mode == 1 ? 2 : mode == 2 ? 4 : 0;
    if (bytes == 0) {
        console_block(st, {"Routine ReadCCP4:", "Map mode " + std::to_string(mode) + " cannot be read!",
                           "Please save the map with mode 2 (32-bit reals)."});
        return FileResult::MapMode;
    }
    const unsigned long long total = static_cast<unsigned long long>(cnt[0]) * cnt[1] * cnt[2];
    const unsigned long long first = kHeader + static_cast<unsigned long long>(w.i(24));
    if (first + total * bytes > b.size()) {
        read_failure(st);
        return FileResult::IoFailed;
    }
    // The box must be the run's whole grid (from any start: the cell is
    // periodic), sampled as the run samples the cell.
    bool same = true;
    for (int i = 0; i < 3; ++i) same = same && ext[i] == st.nvox(i + 1) && sampling[i] == st.nvox(i + 1);
    if (!same) {
        const std::array<long, 3> run{st.nvox(1), st.nvox(2), st.nvox(3)};
        console_block(st, {"Routine ReadCCP4:", "Grid of the map is not the grid of the input file!",
                           "Map: " + grid_text(ext) + " points, cell divided " + grid_text(sampling),
                           "Input file: " + grid_text(run), "Please try again..."});
        return FileResult::GridMismatch;
    }
    // Integer maps hold scaled values; only a scaling correction turns them
    // into a density with the cell's electron count.
    if (mode != 2 && same_text(st.ctype, "none")) {
        console_block(st, {"Routine ReadCCP4:",
                           "Map mode " + std::to_string(mode) + " holds scaled integers, not e/A^3!",
                           "Please give a correction (for example normalize) or save the map with mode 2."});
        return FileResult::MapMode;
    }
    bool cell_differs = false;
    for (int i = 0; i < 6; ++i) {
        const double c = w.f(at(11 + i));
        cell_differs =
            cell_differs || std::fabs(c - st.cell(i + 1)) > 1e-4 * std::max(1.0, std::fabs(st.cell(i + 1)));
    }
    if (cell_differs)
        console_block(st, {"Routine ReadCCP4:", "Warning: Cell parameters are not equal to input file!"});

    allocate_or_stop("Error allocating the CCP4 map buffer!", [&] { out.assign(total, 0.0); });
    std::size_t off = first;
    std::array<long, 3> c{};
    for (long s = 0; s < cnt[2]; ++s)
        for (long r = 0; r < cnt[1]; ++r)
            for (long col = 0; col < cnt[0]; ++col, off += bytes) {
                double x;
                if (mode == 2) {
                    x = w.f(off);
                } else if (mode == 1) {
                    std::uint16_t u;
                    std::memcpy(&u, b.data() + off, 2);
                    if (w.swap) u = static_cast<std::uint16_t>((u >> 8) | (u << 8));
                    x = static_cast<std::int16_t>(u);
                } else {
                    x = static_cast<signed char>(b[off]);
                }
                if (!std::isfinite(x)) {
                    read_failure(st);
                    return FileResult::IoFailed;
                }
                const long idx[3] = {col, r, s};
                for (int k = 0; k < 3; ++k) {
                    const long n = ext[axis[k]];
                    c[axis[k]] = ((start[axis[k]] + idx[k]) % n + n) % n;
                }
                out[static_cast<std::size_t>(c[0] + c[1] * st.n(1) + c[2] * st.n(2))] = x * st.capvx;
            }
    return FileResult::Ok;
}

}  // namespace

FileResult writeccp4(RunState& st, const std::string& rhofile) {
    const std::string name = trim(rhofile);
    const std::string file = "Output file: " + name;
    BinaryFile f;
    FileResult result = FileResult::Ok;
    // The header describes three cell axes and three grid axes, nothing else.
    if (st.sdim != 3 || st.rdim != 3 || !f.open(name, BinaryFile::Mode::New)) {
        log_block(st, {"Routine WriteCCP4:", "Error! Cannot open density file for writing!", file,
                       "Nothing has been saved! Returning..."});
        result = FileResult::OpenFailed;
    } else {
        const Bytes image = map_image(st);
        if (!f.write_direct(1, image.size(), image)) {
            log_block(st, {"Routine WriteCCP4:", "Error! Cannot write into density file!", file,
                           "Something may have been saved! Returning..."});
            result = FileResult::IoFailed;
        }
    }
    if (f.is_open() && !f.close()) {
        log_block(st, {"Routine WriteCCP4:", "Error! Cannot close density file!", file, kNotSureSaved});
        result = FileResult::CloseFailed;
    }
    if (result == FileResult::Ok) log_written(st, name);
    return result;
}

FileResult readccp4(RunState& st, const std::string& rhofile) {
    std::ifstream f(trim(rhofile), std::ios::binary);
    if (!f) {
        console_block(st, {"Routine ReadCCP4:", "Error! Cannot open density file for reading!",
                           "Nothing has been read! Returning..."});
        return FileResult::OpenFailed;
    }
    Bytes bytes;
    allocate_or_stop("Error allocating the CCP4 map buffer!", [&] {
        bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    });
    if (f.bad()) {
        read_failure(st);
        return FileResult::IoFailed;
    }
    std::vector<double> values;
    if (const FileResult parsed = parse_map(st, bytes, values); parsed != FileResult::Ok) return parsed;
    // rho changes only once the whole map has been read.
    std::copy(values.begin(), values.end(), st.rho.vec().begin());
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    st.rhomin = *lo;
    st.rhomax = *hi;
    return FileResult::Ok;
}

}  // namespace quilmo
