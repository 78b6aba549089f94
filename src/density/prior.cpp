#include "density/prior.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "density/files.h"
#include "run/console.h"
#include "textio/stop.h"

namespace quilmo {

void flatdensity(RunState& st) { st.rho.fill(st.epv); }

void rhocorrection(RunState& st, const std::string& ctype) {
    const std::string type = fixed(ctype, 10);
    const double amin = std::fabs(st.rhomin);
    auto& rho = st.rho.vec();
    if (same_text(type, "none")) return;
    if (same_text(type, "cut")) {
        if (st.rhomin < 0)
            for (double& v : rho)
                if (v <= amin) v = amin;
    } else if (same_text(type, "flat")) {
        if (st.rhomin < 0)
            for (double& v : rho)
                if (v <= 0) v = st.epv;
    } else if (same_text(type, "raise")) {
        if (st.rhomin < 0) {
            const double shift = 1.5 * amin;
            for (double& v : rho) v += shift;
            st.rhomin += shift;
            st.rhomax += shift;
        }
    } else if (!same_text(type, "normalize")) {
        TextOut con(*st.con);
        con.write("(A)", {""});
        con.write("(A,A,A)", {"Error: Wrong correction type defined: ", type, "!"});
        throw RunStop();
    }
    double sum = 0;
    for (double v : rho) sum += v;
    const double factor = st.charge / sum;
    // A density that sums to zero (or whose sum overflows) cannot be scaled;
    // going on would fill the map with infinities and NaN.
    if (!std::isfinite(factor) || !std::isfinite(sum) || sum <= 0) {
        errormsg(st, "Error: The density cannot be scaled to the electron count: its sum is not a "
                     "positive finite number!");
        throw RunStop();
    }
    for (double& v : rho) v *= factor;
}

void positive_prior(RunState& st) {
    long count = 0, first = -1;
    for (long v = 0; v < st.nvoxtot; ++v)
        if (!(st.rho(v) > 0)) {
            if (first < 0) first = v;
            ++count;
        }
    if (count == 0) return;
    std::string at;
    for (int i = 1; i <= st.sdim; ++i) {
        if (i > 1) at += ' ';
        at += std::to_string(first / st.n(i - 1) % st.nvox(i));
    }
    char value[32];
    std::snprintf(value, sizeof value, "%.6g", st.rho(first));
    errormsg(st, "Error, the prior density has " + std::to_string(count) + " of " + std::to_string(st.nvoxtot) +
                     " voxels that are not positive, the first at voxel " + at + " with " + value + " electrons!");
    errormsg(st, "The maximum-entropy update takes the logarithm of every voxel of the prior. The corrections");
    errormsg(st, "cut, flat and raise (keyword correction) make a prior with negative values positive.");
    const std::string type = trim(st.ctype);
    if (type == "cut" || type == "flat" || type == "raise")
        errormsg(st, "Correction " + type + " changed nothing here: it acts when the file records a negative minimum.");
    throw RunStop();
}

void readdensity(RunState& st, const std::string& denstype, const std::string& densfile) {
    // Each reader writes its own report; a density that could not be read
    // ends the run.
    auto read_or_stop = [&](FileResult (*reader)(RunState&, const std::string&), const char* message) {
        if (reader(st, densfile) != FileResult::Ok) {
            errormsg(st, message);
            throw RunStop();
        }
    };
    if (same_text(denstype, "flat")) {
        flatdensity(st);
    } else if (same_text(denstype, "jana")) {
        read_or_stop(readjana, "Error reading prior density file (jana2000 format)!");
    } else if (same_text(denstype, "QLascii")) {
        read_or_stop(readql, "Error reading prior density file (Quilmo-ASCII format)!");
    } else if (same_text(denstype, "QLbinary")) {
        read_or_stop(readrawql, "Error reading prior density file (Quilmo-binary format)!");
    } else if (same_text(denstype, "ccp4")) {
        read_or_stop(readccp4, "Error reading prior density file (CCP4 format)!");
    } else {
        errormsg(st, "Error: Wrong type declaration of initial or reference density file in input file");
        throw RunStop();
    }
    rhocorrection(st, st.ctype);
}

}  // namespace quilmo
