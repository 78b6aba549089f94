// The importer's readers on arbitrary file contents: the first byte picks
// the reader (0 .hkl, 1 .ins/.res, 2 model CIF, 3 reflection CIF), the rest
// is the file.  A stop with a message is the reader's ordinary answer to bad
// input; anything else escaping, a crash or a sanitizer report is a finding.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/cif.h"
#include "import/grid.h"
#include "import/hkl.h"
#include "import/operators.h"
#include "import/shelx.h"
#include "textio/stop.h"

namespace {

// What the importer does next with a crystal: its symmetry lines and the
// grid rule, which must hold for whatever group a reader accepted.
void use(const quilmo::Crystal& c) {
    for (const gemmi::Op& op : c.group.sym_ops)
        if (quilmo::program_operator(op).empty()) std::abort();
    for (int d : quilmo::grid_rule(c.group).divisor)
        if (d < 1 || 24 % d != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    try {
        switch (data[0] % 4) {
            case 0: {
                const auto r = quilmo::read_hkl(text, "f.hkl", data[0] & 4 ? 3 : 4);
                for (const auto& o : r.obs)
                    if (!(o.sigma > 0)) std::abort();
                break;
            }
            case 1:
                use(quilmo::read_shelx(text, "f.ins"));
                break;
            case 2:
                use(quilmo::read_cif_crystal(text, "f.cif"));
                break;
            default: {
                quilmo::Crystal head;
                quilmo::read_cif_reflections(text, "f.fcf", head);
                use(head);
            }
        }
    } catch (const quilmo::RunStop&) {
    }
    return 0;
}
