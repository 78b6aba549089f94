// Shared pieces of the fuzz targets.  Each target runs the program's own
// reader on the fuzzer's bytes, written to a file in a scratch folder; a stop
// of the run (RunStop) is an ordinary end there, while a crash, a sanitizer
// report, a hang or an unbounded allocation is a finding.
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "density/files.h"
#include "run/state.h"
#include "textio/lengths.h"
#include "textio/stop.h"
#include "textio/text.h"

namespace quilmo_fuzz {

// A fresh scratch folder, made once per process, for the files a reader
// reads and leaves (logs, listings).  Paths are absolute: the process keeps
// its working directory, where libFuzzer reads and writes its corpus.
inline const std::string& scratch() {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/quilmo-fuzz-XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        return std::string(tmpl) + "/";
    }();
    return dir;
}

// Absolute name of a file in the scratch folder.
inline std::string at(const std::string& name) { return scratch() + name; }

inline void write_file(const std::string& name, const std::uint8_t* data, std::size_t size) {
    std::ofstream f(at(name), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline void remove_file(const std::string& name) {
    std::error_code ec;
    std::filesystem::remove(at(name), ec);
}

// A three-dimensional run on a 4 x 5 x 6 grid (120 voxels) with a monoclinic
// cell, the console and the run files in the scratch folder: the state every
// density reader expects after the input step.
inline void small_grid(quilmo::RunState& st, std::ostream& con) {
    st.con = &con;
    st.sdim = 3;
    st.rdim = 3;
    st.ddim = 0;
    const int nv[3] = {4, 5, 6};
    st.nvox.allocate(1, 3);
    st.nvoxtot = 1;
    st.n(0) = 1;
    for (int i = 1; i <= 3; ++i) {
        st.nvox(i) = nv[i - 1];
        st.n(i) = st.n(i - 1) * nv[i - 1];
        st.nvoxtot *= nv[i - 1];
    }
    st.lstrhoel = st.nvoxtot - 1;
    st.lstel = 2 * st.nvoxtot - 1;
    st.ncellpar = 6;
    st.cellcon = 7;
    st.cell.allocate(1, 7);
    const double cell[7] = {10, 12.5, 7.25, 90, 105.5, 90, 874.0};
    for (int i = 1; i <= 7; ++i) st.cell(i) = cell[i - 1];
    st.capvx = st.cell(7) / st.nvoxtot;
    st.rho.allocate(0, st.lstrhoel);
    for (long v = 0; v < st.nvoxtot; ++v) st.rho(v) = std::sin(0.37 * v + 0.1) * (1.0 + v % 7) / 3.0;
    st.filetitle = quilmo::fixed(at("run"), quilmo::kNameLen);
    st.filebase = quilmo::idel(st.filetitle) + 1;
    st.logfile = quilmo::fixed(at("run.QLlog"), quilmo::kNameLen);
    st.memreflfile = quilmo::fixed(at("run.QLout"), quilmo::kNameLen);
    st.symfile = quilmo::fixed(at("run.QLsymtb"), quilmo::kNameLen);
    st.title = quilmo::fixed("fuzz", quilmo::kLineLen);
}

// Runs `step`; a stop of the run returns normally.
template <class F>
void until_stop(F&& step) {
    try {
        step();
    } catch (const quilmo::RunStop&) {
    }
}

// Hands `data` as the file `name` to a density reader on the small grid and
// returns its result; a read that succeeds must leave only finite
// densities behind, whatever the file held.
template <class Reader>
quilmo::FileResult read_density(const std::uint8_t* data, std::size_t size, const std::string& name,
                                quilmo::RunState& st, Reader read) {
    write_file(name, data, size);
    quilmo::FileResult result = quilmo::FileResult::Ok;
    until_stop([&] { result = read(st, quilmo::fixed(at(name), quilmo::kNameLen)); });
    if (result == quilmo::FileResult::Ok)
        for (double v : st.rho.vec())
            if (!std::isfinite(v)) std::abort();
    return result;
}

}  // namespace quilmo_fuzz
