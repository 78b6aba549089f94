// One symmetry operator of the hand-made run states: the rotation row by row
// and the translation, both in fractions of the cell edges.
#pragma once

#include <cstddef>
#include <vector>

namespace quilmo_test {

struct Op {
    std::vector<double> r;  // sdim x sdim rotation, row-major
    std::vector<double> t;  // translation
};

inline Op identity_op(int sdim) {
    Op op{std::vector<double>(static_cast<std::size_t>(sdim * sdim), 0.0),
          std::vector<double>(static_cast<std::size_t>(sdim), 0.0)};
    for (int i = 0; i < sdim; ++i) op.r[static_cast<std::size_t>(i * sdim + i)] = 1;
    return op;
}

// A diagonal operator with the given signs and translation.
inline Op diag_op(const std::vector<double>& signs, const std::vector<double>& t) {
    const int sdim = static_cast<int>(signs.size());
    Op op = identity_op(sdim);
    for (int i = 0; i < sdim; ++i) op.r[static_cast<std::size_t>(i * sdim + i)] = signs[static_cast<std::size_t>(i)];
    op.t = t;
    return op;
}

}  // namespace quilmo_test
