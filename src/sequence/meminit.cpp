#include "sequence/meminit.h"

#include "grid/orbits.h"
#include "grid/startdensity.h"
#include "reflections/expand.h"
#include "reflections/weights.h"

namespace quilmo {

void meminit(RunState& st) {
    rhomultiplicity(st);
    startdensity(st);
    // Weights first: the expanded entries inherit them from their sources.
    calcmodwg(st);
    expandrefl(st);
    noregularization(st);
    groupmultiplicities(st);
}

}  // namespace quilmo
