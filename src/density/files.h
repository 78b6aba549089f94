// Density-file writers and readers.  Every routine takes a name of 264
// characters (trailing blanks ignored) and returns its result; it has written
// its own report by then.  Writers report to the log, readers to the console.
#pragma once

#include <string>

#include "run/state.h"

namespace quilmo {

// What a density-file routine achieved.  Writers return the first four only.
enum class FileResult {
    Ok,
    OpenFailed,    // the file could not be opened (or created: writers never overwrite)
    IoFailed,      // a read or write failed, or the content is unusable
    CloseFailed,   // the close failed; the file may be complete
    GridMismatch,  // the file's dimensions or grid are not the run's
    AxisOrder,     // a Jana map with its axes in another order than a b c ...
    MapType,       // a Jana map that is not a Fourier map
    MapMode,       // a CCP4 map of a mode (value type) that cannot be used
};

FileResult writeql(RunState& st, const std::string& rhofile);
FileResult readql(RunState& st, const std::string& rhofile);
FileResult writerawql(RunState& st, const std::string& rhofile);
FileResult readrawql(RunState& st, const std::string& rhofile);
FileResult writejana(RunState& st, const std::string& rhofile, bool p1);
FileResult readjana(RunState& st, const std::string& rhofile);
FileResult writexplor(RunState& st, const std::string& rhofile);
// CCP4/MRC map: values in e/A^3; the reader takes any axis order.
FileResult writeccp4(RunState& st, const std::string& rhofile);
FileResult readccp4(RunState& st, const std::string& rhofile);

// Writes rho in the output format, asking on the console when none is set.
void rhowrite(RunState& st);

// What the difference map's name adds to the run title.
inline constexpr const char* kDiffourExtension = "_diffour.m81";

// True when `name` (trimmed) is kept for one of the run's own maps: the final
// density as given, or by default in any output format, or the difference
// map.  A map asked for during the run must not take such a name.
bool own_map_name(const RunState& st, const std::string& name);

}  // namespace quilmo
