// Density-file writers and readers.  Every routine takes a name of 264
// characters (trailing blanks ignored) and sets a result code: 0 done, 1 open
// failed, 2 read or write failed, 3 close failed, higher codes for format
// mismatches.  Writers report to the log, readers to the console.
#pragma once

#include <string>

#include "run/state.h"

namespace quilmo {

void writeql(RunState& st, const std::string& rhofile, int& ferror);
void readql(RunState& st, const std::string& rhofile, int& ferror);
void writerawql(RunState& st, const std::string& rhofile, int& ferror);
void readrawql(RunState& st, const std::string& rhofile, int& ferror);
void writejana(RunState& st, const std::string& rhofile, bool p1, int& ferror);
void readjana(RunState& st, const std::string& rhofile, int& ferror);
void writexplor(RunState& st, const std::string& rhofile, int& ferror);
// CCP4/MRC map: values in e/A^3; the reader takes any axis order.
void writeccp4(RunState& st, const std::string& rhofile, int& ferror);
void readccp4(RunState& st, const std::string& rhofile, int& ferror);

// Writes rho in the output format, asking on the console when none is set.
void rhowrite(RunState& st);

// What the difference map's name adds to the run title.
inline constexpr const char* kDiffourExtension = "_diffour.m81";

// True when `name` (trimmed) is kept for one of the run's own maps: the final
// density as given, or by default in any output format, or the difference
// map.  A map asked for during the run must not take such a name.
bool own_map_name(const RunState& st, const std::string& name);

}  // namespace quilmo
