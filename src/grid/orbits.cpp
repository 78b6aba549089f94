#include "grid/orbits.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "grid/voxels.h"
#include "run/console.h"
#include "textio/records.h"
#include "textio/stop.h"

namespace quilmo {

namespace {

using Bytes = std::vector<unsigned char>;

// The report block of a failure with the symmetry table file, written to
// the log; the run stops.
// A write or close that failed also says on the console which file and why
// (a full disk, say); the log block is written as far as the log takes it.
[[noreturn]] void symfile_failure(RunState& st, BinaryFile& f, std::initializer_list<const char*> lines,
                                  bool say_why = false) {
    const int reason = last_io_error();
    st.log.stop_on_failure(false);
    st.log.write("(A)", {""});
    st.log.write("(A)", {"Routine rhoMultiplicity:"});
    for (const char* l : lines) st.log.write("(A)", {l});
    st.log.write("(A)", {""});
    st.log.close();
    f.close();
    if (!say_why) throw RunStop();
    throw RunStop("Error! Cannot write the symmetry table file " + trim(st.symfile) + ": " +
                  (reason != 0 ? std::strerror(reason) : "write failed"));
}

[[noreturn]] void write_failure(RunState& st, BinaryFile& f) {
    symfile_failure(st, f, {"Error! Cannot write into symmetry file!", "Something may have been saved! Stopping..."},
                    true);
}

[[noreturn]] void close_failure(RunState& st, BinaryFile& f) {
    symfile_failure(st, f,
                    {"Error! Cannot close the symmetry file!",
                     "Density should have been saved, but I\xB4m not sure! Stopping..."},
                    true);
}

// What a stored table was computed for: the grid and every operator of the
// complete list (centering translations included) in voxel units, hashed
// (64-bit FNV-1a).  The orbits depend on nothing else, so a table whose
// fingerprint matches is this run's table.
std::uint64_t table_fingerprint(const RunState& st) {
    std::uint64_t h = 14695981039346656037ull;
    auto mix = [&h](int v) {
        for (int k = 0; k < 4; ++k) {
            h ^= (static_cast<std::uint32_t>(v) >> (8 * k)) & 0xffu;
            h *= 1099511628211ull;
        }
    };
    mix(st.sdim);
    for (int i = 1; i <= st.sdim; ++i) mix(st.nvox(i));
    mix(st.nsym);
    for (int s = 1; s <= st.nsym; ++s)
        for (int i = 1; i <= st.sdim; ++i) {
            mix(st.tveci(i, s));
            for (int j = 1; j <= st.sdim; ++j) mix(st.rmati(i, j, s));
        }
    return h;
}

// A stored table is used only when it is a partition of the current grid
// into orbits: every count positive, every voxel in range and listed once.
// A damaged table would otherwise send the expansions past the density.
bool valid_table(const RunState& st, const FArray<int>& tab, int norb) {
    std::vector<char> seen(static_cast<std::size_t>(st.nvoxtot), 0);
    long t = tab.lbound(), end = tab.ubound();
    for (int o = 0; o < norb; ++o) {
        if (t > end) return false;
        const int m = tab(t++);
        if (m < 1 || m > end - t + 1) return false;
        for (int k = 0; k < m; ++k) {
            const int v = tab(t++);
            if (v < 0 || v > st.lstrhoel || seen[static_cast<std::size_t>(v)]) return false;
            seen[static_cast<std::size_t>(v)] = 1;
        }
    }
    return t == end + 1;
}

// What the symmetry table file offered.
enum class Stored {
    Used,     // the table was read
    None,     // no file, or a table for another grid
    Damaged,  // unreadable, cut short or not a partition of this grid
    Foreign,  // for this grid but other operators, or without the record of them
};

// Reads the table from the symmetry file when it was made for this grid.
// The file is a cache of what build_table computes, so a damaged one is not
// a reason to stop: the caller computes the table again.
Stored read_table(RunState& st) {
    BinaryFile f;
    if (!f.open(trim(st.symfile), BinaryFile::Mode::Read)) return Stored::None;
    Bytes rec;
    if (f.read_record(rec) != 0 || rec.size() < 8) return Stored::Damaged;
    const int fsdim = get_i32(rec, 0);
    if (fsdim != st.sdim) return Stored::None;
    if (rec.size() < 4 * static_cast<std::size_t>(fsdim + 4)) return Stored::Damaged;
    for (int i = 1; i <= st.sdim; ++i)
        if (get_i32(rec, 4 * static_cast<std::size_t>(i + 1)) != st.nvox(i)) return Stored::None;
    // Another group on the same grid has other orbits: its table would give
    // a wrong map without a word.
    const std::size_t at = 4 * static_cast<std::size_t>(fsdim + 4);
    if (rec.size() != at + 8) return Stored::Foreign;
    const std::uint64_t stored = static_cast<std::uint32_t>(get_i32(rec, at)) |
                                 static_cast<std::uint64_t>(static_cast<std::uint32_t>(get_i32(rec, at + 4))) << 32;
    if (stored != table_fingerprint(st)) return Stored::Foreign;
    const int norb = get_i32(rec, 4 * static_cast<std::size_t>(fsdim + 2));
    const int rhotabend = get_i32(rec, 4 * static_cast<std::size_t>(fsdim + 3));
    // Counts that cannot belong to this grid mean a damaged file: check them
    // before they size an allocation.
    if (norb < 1 || norb > st.nvoxtot || rhotabend != norb + st.nvoxtot) return Stored::Damaged;
    FArray<int> tab;
    allocate_or_stop("Error allocating rho table! Memory to small?", [&] { tab.allocate(1, rhotabend); });
    for (int k = 1; k <= rhotabend; ++k) {
        if (f.read_record(rec) != 0 || rec.size() < 4) return Stored::Damaged;
        tab(k) = get_i32(rec, 0);
    }
    if (!valid_table(st, tab, norb)) return Stored::Damaged;
    st.norb = norb;
    st.rhotab = std::move(tab);
    return Stored::Used;
}

// One pass over the grid: each voxel not yet in an orbit starts one, and the
// operators applied to it give the rest of the orbit (the operator list is a
// complete group).  The operators are applied in integer voxel units, as
// symop, remap and arraylocation do, with the loops kept flat because this
// runs once per orbit of grids with millions of voxels.
void build_table(RunState& st) {
    std::vector<int> work;
    std::vector<char> flag;
    allocate_or_stop("Error allocating dummy rho table! Memory too small?",
                     [&] { work.assign(2 * static_cast<std::size_t>(st.nvoxtot), 0); });
    allocate_or_stop("Error allocating rho flags! Memory too small?",
                     [&] { flag.assign(static_cast<std::size_t>(st.nvoxtot), 0); });
    const int sdim = st.sdim, nsym = st.nsym;
    int nv[8] = {}, stride[8] = {};
    for (int i = 0; i < sdim; ++i) {
        nv[i] = st.nvox(i + 1);
        stride[i] = st.n(i);
    }
    // Operator s, row i: translation at ops[(s*sdim + i)*(sdim+1)], then the
    // row of the rotation.
    std::vector<long> ops(static_cast<std::size_t>(nsym * sdim * (sdim + 1)));
    for (int s = 0; s < nsym; ++s)
        for (int i = 0; i < sdim; ++i) {
            long* row = &ops[static_cast<std::size_t>((s * sdim + i) * (sdim + 1))];
            row[0] = st.tveci(i + 1, s + 1);
            for (int j = 0; j < sdim; ++j) row[j + 1] = st.rmati(i + 1, j + 1, s + 1);
        }
    std::size_t end = 0;
    st.norb = 0;
    for (int p = 0; p <= st.lstrhoel; ++p) {
        if (flag[static_cast<std::size_t>(p)]) continue;
        ++st.norb;
        const std::size_t count = end++;
        work[count] = 1;
        work[end++] = p;
        flag[static_cast<std::size_t>(p)] = 1;
        const Coord8 xyz = coordinates(st, p, 1);
        const long* row = ops.data();
        for (int s = 0; s < nsym; ++s) {
            long v = 0;
            for (int i = 0; i < sdim; ++i, row += sdim + 1) {
                long x = row[0];
                for (int j = 0; j < sdim; ++j) x += row[j + 1] * xyz[static_cast<std::size_t>(j)];
                x %= nv[i];
                if (x < 0) x += nv[i];
                v += x * stride[i];
            }
            if (flag[static_cast<std::size_t>(v)]) continue;
            flag[static_cast<std::size_t>(v)] = 1;
            ++work[count];
            work[end++] = static_cast<int>(v);
        }
    }
    allocate_or_stop("Error allocating rho table! Memory too small?",
                     [&] { st.rhotab.allocate(1, static_cast<long>(end)); });
    std::copy(work.begin(), work.begin() + static_cast<long>(end), st.rhotab.data());
}

void write_table(RunState& st) {
    BinaryFile f;
    if (!f.open(trim(st.symfile), BinaryFile::Mode::New))
        symfile_failure(st, f,
                        {"Error! Cannot open the symmetry file for writing!",
                         "If an old one is around either delete or backup it!", "Nothing has been saved! Stopping..."});
    const std::size_t at = 4 * static_cast<std::size_t>(st.sdim + 4);
    Bytes rec(at + 8);
    put_i32(rec, 0, st.sdim);
    put_i32(rec, 4, st.rdim);
    for (int i = 1; i <= st.sdim; ++i) put_i32(rec, 4 * static_cast<std::size_t>(i + 1), st.nvox(i));
    put_i32(rec, 4 * static_cast<std::size_t>(st.sdim + 2), st.norb);
    put_i32(rec, 4 * static_cast<std::size_t>(st.sdim + 3), static_cast<int>(st.rhotab.size()));
    // The fingerprint of the operators closes the first record, low word first.
    const std::uint64_t fp = table_fingerprint(st);
    put_i32(rec, at, static_cast<int>(static_cast<std::uint32_t>(fp & 0xffffffffu)));
    put_i32(rec, at + 4, static_cast<int>(static_cast<std::uint32_t>(fp >> 32)));
    if (!f.write_record(rec)) write_failure(st, f);
    Bytes entry(4);
    for (long k = 1; k <= st.rhotab.size(); ++k) {
        put_i32(entry, 0, st.rhotab(k));
        if (!f.write_record(entry)) write_failure(st, f);
    }
    if (!f.close()) close_failure(st, f);
}

}  // namespace

void rhomultiplicity(RunState& st) {
    open_log(st, TextOut::Mode::Append);
    // A table read from the file goes straight to the log lines; a computed
    // one is also announced in the output listing.
    const Stored stored = read_table(st);
    if (stored != Stored::Used) {
        if (stored == Stored::Damaged || stored == Stored::Foreign) {
            const std::string line = "The symmetry table file " + trim(st.symfile) +
                                     (stored == Stored::Damaged ? " is damaged"
                                                                : " does not record these operators") +
                                     "; it is computed again.";
            st.log.write("(A)", {line});
            // Not a stop reason: written past errormsg, which marks one.
            TextOut con(*st.con);
            con.write("(A)", {line});
        }
        build_table(st);
        if (st.symtabon) {
            // The damaged or foreign file makes way for the new table.
            if (stored != Stored::None) std::remove(trim(st.symfile).c_str());
            write_table(st);
        }
        TextOut out;
        if (!open_run_file(out, trim(st.memreflfile), TextOut::Mode::Append)) {
            st.log.close();
            errormsg(st, "Error, cannot open the .QLout file.");
            throw RunStop();
        }
        out.write("(A)", {""});
        out.write("(A, 2I12)", {" Voxels in unit cell/asymmetric unit:", st.nvoxtot, st.norb});
        out.write("(A)", {""});
        out.close();
    }

    st.log.write("(A)", {""});
    st.log.write("(A,I15)", {"Voxels in unitcell       : ", st.nvoxtot});
    st.log.write("(A,I15)", {"Voxels in asymmetric unit: ", st.norb});
    st.log.close();
}

}  // namespace quilmo
