#!/usr/bin/python3
"""Expected cycles to a solution with restarts after K cycles, from the
consoles of a seed study run without restarts (cf_seed_study.sh with
KEEP=DIR and a cycle limit of its own).  Each console's single attempt is
judged by the program's convergence rule: the cycle its R dropped a tenth
below the plateau, and the cycle it settled.  With restarts after K, an
attempt that has dropped by K costs its cycles to the settling, any other K;
the expected cycles are the total over the seeds divided by the solved ones.
Usage: cf_restart_model.py DIR [K ...]"""
import glob
import sys


def judged(r):
    plateau, dropped = 0.0, None
    mean = lambda c, back: sum(r[c - back - 11:c - back]) / 11
    for c in range(1, len(r) + 1):
        if c >= 21:
            plateau = max(plateau, mean(c, 0))
        down = c >= 21 and mean(c, 0) <= 0.9 * plateau
        if down and dropped is None:
            dropped = c
        if down and c >= 32 and abs(mean(c, 0) - mean(c, 11)) <= 0.01 * plateau:
            return dropped, c
    return dropped, None


def main():
    runs = []
    for path in sorted(glob.glob(sys.argv[1] + "/*.con")):
        r = [float(l.split()[6]) for l in open(path) if l.startswith("CF attempt")]
        runs.append(judged(r))
    ks = [int(k) for k in sys.argv[2:]] or [100, 150, 200, 250, 300, 400, 500, 800, 1000]
    solved = [s for d, s in runs if s is not None]
    print("%d consoles, %d settled; settling cycle median %s" %
          (len(runs), len(solved), sorted(solved)[len(solved) // 2] if solved else "-"))
    for k in ks:
        cost, ok = 0, 0
        for d, s in runs:
            if s is not None and d <= k:
                cost, ok = cost + s, ok + 1
            else:
                cost += k
        print("K %5d: attempt fails %.3f, expected cycles %s" %
              (k, 1 - ok / len(runs), "%.0f" % (cost / ok) if ok else "none"))


main()
