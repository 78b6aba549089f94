// The steps after each reading pass: after pass 1 the dimensions, the
// algorithm settings and the arrays whose sizes pass 1 has counted; after
// pass 2 the set-up of afterpass2.
#include "input/input.h"
#include "input/reader.h"
#include "run/console.h"
#include "textio/stop.h"
#include "textio/text.h"

namespace quilmo {

namespace {

// Reads the next word of `rest` as a number; false when it is missing or
// malformed, which ends the examination of the settings.
template <class T>
bool next_number(std::string& rest, T& value) {
    int rc = 0;
    if constexpr (std::is_same_v<T, int>)
        oneint(firstword(rest, true), value, rc);
    else
        onereal(firstword(rest, true), value, rc);
    return rc == 0;
}

// The next number of the settings into `value`; a value that `valid`
// rejects gives `message` on the console and clears `ok`.  False when no
// number could be read.
template <class T, class Valid>
bool next_setting(RunState& st, std::string& rest, T& value, Valid valid, const char* message, bool& ok) {
    if (!next_number(rest, value)) return false;
    if (!valid(value)) {
        errormsg(st, message);
        ok = false;
    }
    return true;
}

constexpr auto kPositive = [](auto v) { return v > 0; };

// Sakata-Sato settings: [AUTO | lambda] aim.  False on an error.
bool check_ss(RunState& st, std::string rest) {
    if (blank(rest)) {
        st.lambda = 0;
        st.aim = 1.0;
        return true;
    }
    bool ok = true;
    std::string probe = rest;
    if (same_text(firstword(probe, false), "AUTO")) {
        firstword(rest, true);
        st.lambda = 0;
    } else {
        if (!next_number(rest, st.lambda)) return false;
        if (st.lambda == 0) {
            errormsg(st, "Error! Lambda must not be equal to zero or must be AUTO!");
            ok = false;
        }
    }
    if (!next_setting(st, rest, st.aim, kPositive, "Error! The aim value must be positive!", ok)) return false;
    return ok;
}

// DUAL settings: [aim].  False on an error.
bool check_dual(RunState& st, std::string rest) {
    st.lambda = 0;
    st.aim = 1.0;
    if (blank(rest)) return true;
    if (!next_number(rest, st.aim)) return false;
    if (st.aim <= 0) {
        errormsg(st, "Error! The aim value must be positive!");
        return false;
    }
    return true;
}

// The dual solves one channel under F-constraints of order 2 alone; any
// other input is refused as a whole, before anything is allocated.
void refuse_dual(RunState& st) {
    if (st.ggroups == 0 && !st.addprisf && st.nchan == 1 && st.actcon == 2) return;
    const char* text =
        "Error! Algorithm DUAL works with one density channel, F-constraints of order 2 and a flat "
        "or file prior only (no G-constraints, priorsf, 2channel or conorder other than 2). Use "
        "S-S for this input!";
    errormsg(st, text);
    st.log.write("(a)", {text});
    throw RunStop();
}

// MEMSys settings: method(0) nrand aim rate utol.  False on an error.
bool check_memsys(RunState& st, std::string rest) {
    if (blank(rest)) {
        st.method[0] = 4;
        st.nrand = 1;
        st.rate = 1.0;
        st.aim = 1.0;
        st.utol = static_cast<double>(0.05f);
        return true;
    }
    bool ok = true;
    if (!next_number(rest, st.method[0])) return false;
    if (st.method[0] != 1 && st.method[0] != 4) {
        errormsg(st, "Error! The value of METHOD(0) must be either 1 or 4!");
        ok = false;
    }
    if (!next_setting(st, rest, st.nrand, kPositive, "Error! The value of NRAND must be (small) positive integer!",
                      ok))
        return false;
    if (!next_setting(st, rest, st.aim, kPositive, "Error! The AIM value must be positive!", ok)) return false;
    if (!next_number(rest, st.rate)) return false;
    if (st.rate <= 0) {
        st.log.write("(a)", {"Error! The RATE value must be positive!"});
        ok = false;
    }
    if (!next_number(rest, st.utol)) return false;
    if (!(st.utol > 0 && st.utol <= 1)) {
        st.log.write("(a)", {"Error! The UTOL value must be positive and lower than 1!"});
        ok = false;
    }
    return ok;
}

void afterpass1(RunState& st) {
    st.ddim = st.sdim - st.rdim;
    if (st.ddim < 0) {
        errormsg(st, "Realdimension is greater than superdimension!!! Stopping...");
        throw RunStop();
    }
    // The q-vectors are read with three components on the reciprocal axes.
    if (st.ddim > 0 && st.rdim != 3) {
        errormsg(st, "Error, a superspace description (dimension above realdimension) needs "
                     "realdimension 3!");
        throw RunStop();
    }
    if (st.performmem) checkalg(st, st.algsettings);
    if (st.flipcharge) st.initrhotype = fixed("flat", kNameLen);

    const int sdim = st.sdim;
    const long nop = static_cast<long>(st.nsym) * st.ncenter + st.ntestsym;
    allocate_or_stop("Error allocating Refl! Too little memory?",
                     [&] { st.refl.allocate(1, st.totalfge() + 1); });
    allocate_or_stop("Error allocating GDiff! Too little memory?", [&] { st.gdiff.allocate(1, st.ggroups); });
    allocate_or_stop("Error allocating GGroups! Too little memory?", [&] { st.gcalc.allocate(1, st.ggroups); });
    allocate_or_stop("Error allocating SumGm! Too little memory?", [&] { st.sumgm.allocate(1, st.ggroups); });
    allocate_or_stop("Error allocating QVec! Too little memory?", [&] { st.qvec.allocate(st.rdim, st.ddim); });
    allocate_or_stop("Error allocating NVox! Too little memory?", [&] { st.nvox.allocate(1, sdim); });
    allocate_or_stop("Error allocating wRF! Too little memory?", [&] { st.wrf.allocate(1, sdim); });
    allocate_or_stop("Error allocating Center! Memory to small?", [&] { st.center.allocate(sdim, st.ncenter); });
    allocate_or_stop("Error allocating RMat! Memory to small?", [&] { st.rmat.allocate(sdim, sdim, nop); });
    allocate_or_stop("Error allocating TVec! Memory to small?", [&] { st.tvec.allocate(sdim, nop); });

    st.ncellpar = st.rdim * (st.rdim + 1) / 2;
    st.cellcon = st.ncellpar + 1;
    allocate_or_stop("Error allocating array Cell! Too little memory?", [&] { st.cell.allocate(1, st.cellcon); });

    if (st.actcon != 2 && st.algorithm == 2) {
        errormsg(st, "Error, various constraint orders work with Sakata-Sato algoritm only! Stopping.");
        throw RunStop();
    }
    // The R-factors and the constraint of the iteration are sums over the
    // F-constraints after F(000); without any they would divide by zero.
    if (st.performmem && st.totalf() <= 1) {
        errormsg(st, "Error, the F block of a maximum-entropy run must hold reflections besides "
                     "F(000)!");
        throw RunStop();
    }
}

}  // namespace

void checkalg(RunState& st, const std::string& settings) {
    const std::string s = fixed(settings, kLineLen);
    bool ok = false;
    if (s.compare(0, 3, "S-S") == 0) {
        st.algorithm = 1;
        ok = check_ss(st, fixed(s.substr(3), kLineLen));
    } else if (s.compare(0, 4, "DUAL") == 0) {
        st.algorithm = 3;
        ok = check_dual(st, fixed(s.substr(4), kLineLen));
        if (ok) refuse_dual(st);
    } else if (s.compare(0, 6, "MEMSys") == 0) {
        st.algorithm = 2;
        ok = check_memsys(st, fixed(s.substr(6), kLineLen));
    } else {
        errormsg(st, "Error! The string specifying the algorithm must be either S-S or MEMSys!");
    }
    if (!ok) {
        st.log.write("(a)", {"Error reading algorithmic settings!"});
        throw RunStop();
    }
}

void afterpass(RunState& st, int pass) {
    if (pass == 1)
        afterpass1(st);
    else
        afterpass2(st);
}

}  // namespace quilmo
