#!/usr/bin/python3
"""Fraction of the sucrose non-hydrogen atoms that lie within 0.5 A of a
density peak of a P2_1 map, allowing the permissible origin shifts (x, z by
0 or 1/2, any y) and the enantiomer.  Usage: cf_peaks.py map.asc atoms.txt"""
import math
import sys


def read_map(path):
    lines = open(path).read().split("\n")
    nv = [int(x) for x in lines[1].split()]
    cell = [float(x) for x in lines[2].split()]
    vals = [float(l[p:p + 22]) for l in lines[4:] for p in range(0, len(l.rstrip()), 22)]
    return nv, cell, vals


def peaks(nv, vals, count):
    nx, ny, nz = nv
    def at(i, j, k):
        return vals[(i % nx) + nx * ((j % ny) + ny * (k % nz))]
    out = []
    for k in range(nz):
        for j in range(ny):
            for i in range(nx):
                v = at(i, j, k)
                if all(v >= at(i + a, j + b, k + c) for a in (-1, 0, 1) for b in (-1, 0, 1) for c in (-1, 0, 1)):
                    out.append((v, i / nx, j / ny, k / nz))
    out.sort(reverse=True)
    return [p[1:] for p in out[:count]]


def main():
    nv, cell, vals = read_map(sys.argv[1])
    a, b, c, al, be, ga = cell[:6]
    cb, sb = math.cos(math.radians(be)), math.sin(math.radians(be))
    atoms = []
    for l in open(sys.argv[2]):
        if l.startswith("#") or not l.split():
            continue
        w = l.split()
        if w[1] != "H":
            atoms.append(tuple(float(x) for x in w[2:5]))
    pk = peaks(nv, vals, 4 * len(atoms))

    def dist2(d):
        d = [x - round(x) for x in d]
        x = a * d[0] + c * cb * d[2]
        z = c * sb * d[2]
        return x * x + (b * d[1]) ** 2 + z * z

    import numpy as np
    P = np.array(pk)
    A = np.array(atoms)
    best = 0
    for e in (1, -1):
        for sx in (0, 0.5):
            for sz in (0, 0.5):
                for iy in range(360):
                    s = np.array([sx, iy / 360, sz])
                    X = e * A + s
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
    print("%d of %d atoms within 0.5 A of a peak (%.0f %%)" % (best, len(atoms), 100.0 * best / len(atoms)))


main()
