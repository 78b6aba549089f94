#include "input/input.h"

namespace quilmo {

void afterpass2(RunState&) {}

}  // namespace quilmo
