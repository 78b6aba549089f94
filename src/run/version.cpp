#include "run/version.h"

namespace quilmo {

const char* version() { return QUILMO_VERSION; }

}  // namespace quilmo
