#!/usr/bin/env python3
"""Summarizes the lines of noxsteg_evaluate_detection (read from the files named):
for each nominal share p, the number of pictures, the median estimate, the median absolute error
of the estimate against the true share, the share of pictures said to hide data ("likely"), the
median standard error the program gives its estimates (the error chance alone makes), and the goal
each row is held to; for all pictures, then for each source. A row that misses its goal
ends in MISS."""
import statistics
import sys


def table(title, lines):
    rows = {}
    for f in lines:
        rows.setdefault(float(f[3]), []).append((float(f[4]), float(f[5]), int(f[6]), float(f[13])))
    print(f"\n{title}")
    print(f"{'p':>5} {'pictures':>8} {'median est':>10} {'median |err|':>12} {'min est':>8} {'likely':>7} "
          f"{'median s.e.':>11}  goal")
    for p in sorted(rows):
        r = rows[p]
        errors = [abs(est - truth) for truth, est, _, _ in r]
        likely = sum(v for _, _, v, _ in r) / len(r)
        median_error = statistics.median(errors)
        lowest = min(est for _, est, _, _ in r)
        if p == 0:
            goal, ok = "'no sign' >= 90 %", likely <= 0.10
        elif p >= 1.0:
            goal, ok = "all 'likely', estimate >= 0.75", likely == 1.0 and lowest >= 0.75
        else:
            goal, ok = "", True
            if p >= 0.05:
                goal, ok = "median |err| <= 0.02", median_error <= 0.02
            if p >= 0.1:
                goal += ", 'likely' >= 90 %"
                ok = ok and likely >= 0.90
        print(f"{p:5.2f} {len(r):8d} {statistics.median(e for _, e, _, _ in r):10.4f} {median_error:12.4f} "
              f"{lowest:8.4f} {likely * 100:6.1f}% {statistics.median(s for *_, s in r):11.4f}  "
              f"{goal}{'' if ok else '  MISS'}")


def main():
    lines = []
    for name in sys.argv[1:]:
        with open(name) as f:
            lines += [t.rstrip("\n").split("\t") for t in f if t.count("\t") >= 13]
    corpus = [f for f in lines if "/corpus/" in f[0]]
    others = [f for f in lines if "/corpus/" not in f[0]]
    table(f"all pictures ({len({f[0] for f in lines})})", lines)
    table(f"the shared corpus's JPEG files ({len({f[0] for f in corpus})}, most 150x103)", corpus)
    table(f"photographs from Debian packages ({len({f[0] for f in others})})", others)


if __name__ == "__main__":
    main()
