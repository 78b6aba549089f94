// The program's version, set by the build from the project version.
#pragma once

namespace quilmo {

const char* version();

}  // namespace quilmo
