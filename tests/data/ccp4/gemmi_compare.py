#!/usr/bin/python3
"""Reads a CCP4 map with gemmi and a native ASCII map of the same run, and
checks that both hold the same grid, cell and density (e/A^3, to single
precision).  Exit status 0 when they agree; the differences otherwise."""
import math
import sys

import gemmi
import numpy


def ascii_map(path):
    with open(path) as f:
        lines = f.read().splitlines()
    nvox = [int(w) for w in lines[1].split()]
    cell = [float(w) for w in lines[2].split()][:6]
    values = []
    for line in lines[4:]:
        values += [float(line[p:p + 22]) for p in range(0, len(line) - 21, 22)]
    a, b, c = cell[:3]
    ca, cb, cg = (math.cos(math.radians(x)) for x in cell[3:])
    volume = a * b * c * math.sqrt(1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg)
    rho = numpy.array(values).reshape(nvox[::-1]).transpose() / (volume / numpy.prod(nvox))
    return nvox, cell, rho


def main(ccp4_path, ascii_path):
    m = gemmi.read_ccp4_map(ccp4_path)
    m.setup(float("nan"))
    got = numpy.array(m.grid, copy=False)
    nvox, cell, want = ascii_map(ascii_path)
    uc = m.grid.unit_cell
    faults = []
    if list(got.shape) != nvox:
        faults.append(f"grid {got.shape} != {nvox}")
    gcell = [uc.a, uc.b, uc.c, uc.alpha, uc.beta, uc.gamma]
    if any(abs(x - y) > 1e-4 * max(1, abs(y)) for x, y in zip(gcell, cell)):
        faults.append(f"cell {gcell} != {cell}")
    if not faults:
        scale = numpy.abs(want).max()
        worst = numpy.abs(got - want).max()
        if not worst <= 2e-7 * scale:
            faults.append(f"values differ by {worst} (largest value {scale})")
        stats = [m.header_float(w) for w in (20, 21, 22, 55)]
        expect = [got.min(), got.max(), got.mean(), got.std()]
        if any(abs(x - y) > 1e-5 * scale for x, y in zip(stats, expect)):
            faults.append(f"AMIN AMAX AMEAN RMS {stats} != {expect}")
    print("\n".join(faults) if faults else f"same grid {nvox}, cell and values")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
