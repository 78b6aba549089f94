#!/usr/bin/python3
"""Loads scripts/quilmo-plot as a module and reads the same density written
as native ASCII, native binary and CCP4: all three must give the same grid,
cell and values in e/A^3 (CCP4 to single precision).  Exit status 0 when
they agree.  A CCP4 copy with permuted axes must read as the same map."""
import importlib.machinery
import importlib.util
import struct
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
# The CCP4 map again with columns along c, rows along a, sections along b,
# and the columns starting at 5 (the cell is periodic).
data = bytearray(open(sys.argv[4], "rb").read())
n1, n2, n3 = struct.unpack_from("<3i", data, 0)
block = numpy.frombuffer(bytes(data[1024:]), dtype="<f4").reshape(n3, n2, n1)  # [c][b][a]
turned = numpy.roll(block, -5, axis=0).transpose(1, 2, 0)  # [b][a][c from 5 on]
struct.pack_into("<3i", data, 0, n3, n1, n2)
struct.pack_into("<3i", data, 16, 5, 0, 0)
struct.pack_into("<3i", data, 64, 3, 1, 2)
data[1024:] = numpy.ascontiguousarray(turned).astype("<f4").tobytes()
open("turned.ccp4", "wb").write(data)
if not numpy.array_equal(plot.read_map("turned.ccp4").values, ccp4.values):
    faults.append("ccp4 with permuted axes reads as another map")
print("\n".join(faults) or "same map in three formats and in permuted axes")
sys.exit(1 if faults else 0)
