#!/usr/bin/python3
"""Reads a model CIF with gemmi and prints what it holds: the cell, the
operators (their number, how many differ, how many are centering
translations, and whether they are closed under products) and one line per site.  Usage: gemmi_model.py model.cif"""
import sys

import gemmi


def main(path):
    block = gemmi.cif.read(path).sole_block()
    st = gemmi.make_small_structure_from_block(block)
    c = st.cell
    print("cell %.4f %.4f %.4f %.3f %.3f %.3f" % (c.a, c.b, c.c, c.alpha, c.beta, c.gamma))
    ops = [gemmi.Op(gemmi.cif.as_string(t)) for t in block.find_values("_space_group_symop_operation_xyz")]
    names = set(op.wrap().triplet() for op in ops)
    closed = all((a * b).wrap().triplet() in names for a in ops for b in ops)
    centering = sum(1 for op in ops if op.rot == gemmi.Op("x,y,z").rot)
    print("ops %d %d %d %s" % (len(ops), len(names), centering, "closed" if closed else "open"))
    for site in st.sites:
        print("site %s %s %.6f %.6f %.6f" % (site.label, site.type_symbol or "?", site.fract.x, site.fract.y,
                                             site.fract.z))


main(sys.argv[1])
