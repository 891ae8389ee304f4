#!/usr/bin/env python3
"""A second, plain computation of the colour rendition figures, to check
halden-cli's against.

    python3 tools/colour_rendition_reference.py FILE [FILE...]
    python3 tools/colour_rendition_reference.py --compare build/app/cli/halden-cli FILE [FILE...]

Reads spectrum text files (the first two numbers of each line: wavelength in
nm and value) and prints Rf, Rg, CCT, Duv and the 16 hue bins' Rf_h, Rcs_h
(per cent) and Rhs_h as JSON. With --compare it runs `halden-cli colour FILE
--json` as well and prints, per file, the largest difference of each figure.

Written separately from app/colour/ColourRendition.cpp, with the standard
library only and the obvious way at each step: the data files of
app/colour/data read as they are, linear interpolation to 1 nm over
380-780 nm, the nearest point of the Planckian locus by a scan and golden
section search in mired, CIECAM02 step by step, hue bins by the reference's
hue. It reproduces the published figures of CIE F2 (evaluated at 5 nm with
--step 5, as the CIE calculator does for 5 nm data: Rf 70.12, all 99 sample
fidelities within 0.05 of the published ones).
"""

import json
import math
import os
import subprocess
import sys

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "colour", "data")
C2 = 1.4388e7  # nm K, as the method's Planckian radiator


def read_table(name):
    rows = []
    with open(os.path.join(DATA, name)) as f:
        for line in f:
            if line[:1].isdigit():
                rows.append([float(x) for x in line.split(",")])
    return rows


def interp(xs, ys, x):
    """ys linearly interpolated at x (xs rising); 0 outside."""
    if x < xs[0] or x > xs[-1]:
        return 0.0
    lo, hi = 0, len(xs) - 1
    while hi - lo > 1:
        mid = (lo + hi) // 2
        if xs[mid] <= x:
            lo = mid
        else:
            hi = mid
    if xs[lo] == x or hi == lo:
        return ys[lo]
    f = (x - xs[lo]) / (xs[hi] - xs[lo])
    return ys[lo] + f * (ys[hi] - ys[lo])


def columns_at(table, grid):
    nm = [r[0] for r in table]
    return [[interp(nm, [r[c] for r in table], x) for x in grid] for c in range(1, len(table[0]))]


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


class Method:
    def __init__(self, step=1):
        self.grid = [380.0 + step * k for k in range(int(400 / step) + 1)]
        self.obs2 = columns_at(read_table("cie1931_2deg_1nm.csv"), self.grid)
        self.obs10 = columns_at(read_table("cie1964_10deg_1nm.csv"), self.grid)
        self.samples = columns_at(read_table("cie2017_ces99_1nm.csv"), self.grid)
        self.daylight = columns_at(read_table("cie_daylight_s012_5nm.csv"), self.grid)

    def uv(self, s):
        X, Y, Z = (dot(s, o) for o in self.obs2)
        d = X + 15 * Y + 3 * Z
        return 4 * X / d, 6 * Y / d

    def planck(self, kelvin):
        return [nm ** -5 / math.expm1(C2 / (nm * kelvin)) for nm in self.grid]

    def cct_duv(self, u, v):
        def distance(mired):
            lu, lv = self.uv(self.planck(1e6 / mired))
            return math.hypot(lu - u, lv - v)

        start = min((distance(m), m) for m in range(10, 1001, 2))[1]
        a, b = max(10.0, start - 2.0), min(1000.0, start + 2.0)
        g = (math.sqrt(5) - 1) / 2
        for _ in range(60):
            c, d = b - g * (b - a), a + g * (b - a)
            if distance(c) < distance(d):
                b = d
            else:
                a = c
        mired = (a + b) / 2
        lu, lv = self.uv(self.planck(1e6 / mired))
        d = math.hypot(lu - u, lv - v)
        return 1e6 / mired, d if v >= lv else -d

    def reference(self, cct):
        def daylight():
            t = 1.0 / cct
            if cct <= 7000:
                xd = -4.6070e9 * t ** 3 + 2.9678e6 * t ** 2 + 0.09911e3 * t + 0.244063
            else:
                xd = -2.0064e9 * t ** 3 + 1.9018e6 * t ** 2 + 0.24748e3 * t + 0.237040
            yd = -3.000 * xd * xd + 2.870 * xd - 0.275
            m = 0.0241 + 0.2562 * xd - 0.7341 * yd
            m1 = (-1.3515 - 1.7703 * xd + 5.9114 * yd) / m
            m2 = (0.0300 - 31.4424 * xd + 30.0717 * yd) / m
            s0, s1, s2 = self.daylight
            return [a + m1 * b + m2 * c for a, b, c in zip(s0, s1, s2)]

        if cct < 4000:
            return self.planck(cct)
        if cct > 5000:
            return daylight()
        p, d = self.planck(cct), daylight()
        yp, yd = dot(p, self.obs2[1]), dot(d, self.obs2[1])
        m = (cct - 4000) / 1000
        return [(1 - m) * a / yp + m * b / yd for a, b in zip(p, d)]

    def ucs(self, light):
        """J', a', b' and the hue (degrees) of the 99 samples under a light."""
        weighted = [[o[k] * light[k] for k in range(len(light))] for o in self.obs10]
        k = 100 / sum(weighted[1])
        white = [k * sum(w) for w in weighted]
        out = []
        for sample in self.samples:
            out.append(cam02ucs([k * dot(sample, w) for w in weighted], white))
        return out

    def figures(self, nm, values):
        pairs = sorted(zip(nm, values))
        xs, ys = [p[0] for p in pairs], [p[1] for p in pairs]
        if xs[0] > 380 or xs[-1] < 780:
            raise ValueError("the spectrum does not cover 380-780 nm")
        s = [interp(xs, ys, x) for x in self.grid]
        cct, duv = self.cct_duv(*self.uv(s))
        test, ref = self.ucs(s), self.ucs(self.reference(cct))
        de = [math.dist(t[:3], r[:3]) for t, r in zip(test, ref)]
        bins = [min(15, int(r[3] / 22.5)) for r in ref]
        members = [[i for i in range(len(bins)) if bins[i] == j] for j in range(16)]

        def mean(lst):
            return sum(lst) / len(lst)

        at = [(mean([test[i][1] for i in m]), mean([test[i][2] for i in m])) for m in members]
        ar = [(mean([ref[i][1] for i in m]), mean([ref[i][2] for i in m])) for m in members]

        def area(p):
            return sum(p[j][0] * p[(j + 1) % 16][1] - p[(j + 1) % 16][0] * p[j][1] for j in range(16)) / 2

        rcs, rhs = [], []
        for j in range(16):
            theta = math.radians(22.5 * j + 11.25)
            da, db = at[j][0] - ar[j][0], at[j][1] - ar[j][1]
            norm = math.hypot(*ar[j])
            rcs.append(100 * (da * math.cos(theta) + db * math.sin(theta)) / norm)
            rhs.append((-da * math.sin(theta) + db * math.cos(theta)) / norm)
        return {
            "Rf": fidelity(mean(de)), "Rg": 100 * area(at) / area(ar), "CCT": cct, "Duv": duv,
            "Rf_h": [fidelity(mean([de[i] for i in m])) for m in members], "Rcs_h": rcs, "Rhs_h": rhs,
            "Rf_samples": [fidelity(d) for d in de],
        }


def fidelity(de):
    return 10 * math.log(math.exp((100 - 6.73 * de) / 10) + 1)


CAT02 = [[0.7328, 0.4296, -0.1624], [-0.7036, 1.6975, 0.0061], [0.0030, 0.0136, 0.9834]]
HPE = [[0.38971, 0.68898, -0.07868], [-0.22981, 1.18340, 0.04641], [0.0, 0.0, 1.0]]


def inverse(m):
    (a, b, c), (d, e, f), (g, h, i) = m
    det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g)
    return [[(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det],
            [(f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det],
            [(d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det]]


CAT02_INV = inverse(CAT02)


def apply(m, v):
    return [dot(row, v) for row in m]


def cam02ucs(xyz, white, la=100.0, yb=20.0):
    """CIECAM02 (average surround, complete adaptation) to CAM02-UCS J', a', b', hue."""
    c, nc = 0.69, 1.0
    k = 1 / (5 * la + 1)
    fl = 0.2 * k ** 4 * 5 * la + 0.1 * (1 - k ** 4) ** 2 * (5 * la) ** (1 / 3)
    n = yb / white[1]
    nbb = 0.725 * (1 / n) ** 0.2
    z = 1.48 + math.sqrt(n)

    def responses(v):
        rgb = apply(CAT02, v)
        rgb_w = apply(CAT02, white)
        adapted = [white[1] / w * x for x, w in zip(rgb, rgb_w)]
        cones = apply(HPE, apply(CAT02_INV, adapted))
        out = []
        for x in cones:
            p = (fl * abs(x) / 100) ** 0.42
            out.append(math.copysign(400 * p / (27.13 + p), x) + 0.1)
        return out

    rw, gw, bw = responses(white)
    aw = (2 * rw + gw + bw / 20 - 0.305) * nbb
    r, g, b = responses(xyz)
    a_, b_ = r - 12 * g / 11 + b / 11, (r + g - 2 * b) / 9
    h = math.degrees(math.atan2(b_, a_)) % 360
    et = 0.25 * (math.cos(math.radians(h) + 2) + 3.8)
    j = 100 * ((2 * r + g + b / 20 - 0.305) * nbb / aw) ** (c * z)
    t = (50000 / 13 * nc * nbb * et * math.hypot(a_, b_)) / (r + g + 21 / 20 * b)
    chroma = t ** 0.9 * math.sqrt(j / 100) * (1.64 - 0.29 ** n) ** 0.73
    m = chroma * fl ** 0.25
    mp = math.log(1 + 0.0228 * m) / 0.0228
    return (1.7 * j / (1 + 0.007 * j), mp * math.cos(math.radians(h)), mp * math.sin(math.radians(h)), h)


def read_spectrum(path):
    nm, values = [], []
    with open(path) as f:
        for line in f:
            parts = line.replace(",", " ").replace("\t", " ").split()
            try:
                x, y = float(parts[0]), float(parts[1])
            except (ValueError, IndexError):
                continue
            nm.append(x)
            values.append(y)
    return nm, values


def main(argv):
    cli, step = None, 1
    while argv and argv[0].startswith("--"):
        if argv[0] == "--compare" and len(argv) > 1:
            cli, argv = argv[1], argv[2:]
        elif argv[0] == "--step" and len(argv) > 1:
            step, argv = int(argv[1]), argv[2:]
        else:
            break
    if not argv or step not in (1, 5):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    method = Method(step)
    for path in argv:
        ours = method.figures(*read_spectrum(path))
        if not cli:
            ours.pop("Rf_samples")
            print(json.dumps({"file": path, **ours}))
            continue
        theirs = json.loads(subprocess.run([cli, "colour", path, "--json"], check=True,
                                           capture_output=True, text=True).stdout)
        worst = {}
        for key in ("Rf", "Rg", "Duv", "Rf_h", "Rcs_h", "Rhs_h"):
            a, b = ours[key], theirs[key]
            if isinstance(a, list):
                worst[key] = max(abs(x - y) for x, y in zip(a, b))
            else:
                worst[key] = abs(a - b)
        print(json.dumps({"file": path, "Rf": ours["Rf"], "Rg": ours["Rg"], "largest_difference": worst}))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
