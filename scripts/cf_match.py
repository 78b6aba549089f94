#!/usr/bin/python3
"""Fraction of the sucrose non-hydrogen atoms that lie within 0.5 A of a peak
of the program's peak table (<title>.QLpeaks) of a P2_1 map, allowing the
permissible origin shifts (x, z by 0 or 1/2, any y) and the enantiomer.
Usage: cf_match.py title.QLpeaks atoms.txt"""
import math
import sys

import numpy as np


def read_table(path):
    """Cell and peak positions of a peak table."""
    lines = open(path).read().split("\n")
    cell = [float(x.rstrip(",")) for x in lines[[l.startswith("Cell:") for l in lines].index(True)].split()[1:7]]
    start = [l.startswith("label element") for l in lines].index(True) + 1
    peaks = [[float(x) for x in l.split()[2:5]] for l in lines[start:] if l.split()]
    return cell, np.array(peaks)


def main():
    cell, P = read_table(sys.argv[1])
    a, b, c, al, be, ga = cell
    cb, sb = math.cos(math.radians(be)), math.sin(math.radians(be))
    A = np.array([[float(x) for x in l.split()[2:5]] for l in open(sys.argv[2])
                  if l.split() and not l.startswith("#") and l.split()[1] != "H"])
    best = 0
    for e in (1, -1):
        for sx in (0, 0.5):
            for sz in (0, 0.5):
                for iy in range(360):
                    X = e * A + np.array([sx, iy / 360, sz])
                    X2 = X * np.array([-1, 1, -1]) + np.array([0, 0.5, 0])
                    hit = np.zeros(len(A), bool)
                    for Y in (X, X2):
                        d = Y[:, None, :] - P[None, :, :]
                        d -= np.round(d)
                        x = a * d[..., 0] + c * cb * d[..., 2]
                        z = c * sb * d[..., 2]
                        r2 = x * x + (b * d[..., 1]) ** 2 + z * z
                        hit |= (r2 <= 0.25).any(axis=1)
                    best = max(best, int(hit.sum()))
    print("%d of %d atoms within 0.5 A of a peak (%.0f %%)" % (best, len(A), 100.0 * best / len(A)))


main()
