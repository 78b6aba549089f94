#!/usr/bin/python3
"""Loads scripts/quilmo-plot as a module and reads the same density written
as native ASCII, native binary and CCP4: all three must give the same grid,
cell and values in e/A^3 (CCP4 to single precision).  Exit status 0 when
they agree."""
import importlib.machinery
import importlib.util
import sys

import numpy

loader = importlib.machinery.SourceFileLoader("quilmo_plot", sys.argv[1])
spec = importlib.util.spec_from_loader("quilmo_plot", loader)
plot = importlib.util.module_from_spec(spec)
loader.exec_module(plot)

asc, raw, ccp4 = (plot.read_map(p) for p in sys.argv[2:5])
faults = []
for name, m, tol in (("raw", raw, 1e-12), ("ccp4", ccp4, 2e-7)):
    if m.values.shape != asc.values.shape:
        faults.append(f"{name}: grid {m.values.shape} != {asc.values.shape}")
        continue
    scale = numpy.abs(asc.values).max()
    worst = numpy.abs(m.values - asc.values).max()
    if not worst <= tol * scale:
        faults.append(f"{name}: values differ by {worst} (largest {scale})")
    if numpy.abs(numpy.array(m.cell) - asc.cell).max() > 1e-4:
        faults.append(f"{name}: cell {m.cell} != {asc.cell}")
print("\n".join(faults) or "same map in three formats")
sys.exit(1 if faults else 0)
