#!/usr/bin/env python3
"""A second, plain computation of the light figures, to check halden-cli's
against.

    python3 tools/light_figures_reference.py [--units UNIT] FILE [FILE...]
    python3 tools/light_figures_reference.py --compare build/app/halden-cli [--units UNIT] FILE [FILE...]
    python3 tools/light_figures_reference.py --constants

Reads spectrum text files (the first two numbers of each line: wavelength in
nm and value) and prints, as JSON, the figures of `halden-cli colour --json`
that do not come from the colorimetry of the chromaticity view: alpha-opic
irradiance, ELR, DER and EDI (CIE S 026), the LED figures, CQS 9.0, the
spectral similarity indices and the photon fluxes; dominant wavelength and
purity from the file's CIE 1931 x, y on a 1 nm grid. UNIT is relative (the
default), uW/cm2/nm or W/m2/nm. With --compare it runs `halden-cli colour
FILE --json` as well, computes the dominant wavelength from halden's x, y,
and prints per file the largest relative difference of each figure group.
--constants prints what the tables give for CIE D65 (E_alpha/E_v per
receptor, to compare with the standard's K values) and the CQS gamut area of
D65.

Written separately from app/colour, with numpy and the obvious way at each
step: the data files of app/colour/data read as they are (the 5 nm tables
interpolated here: the CQS samples by a not-a-knot cubic spline, the daylight
components linearly), the spectrum linearly interpolated at every nanometre
380-780, the correlated colour temperature by a search along the Planckian
locus in mired.
"""

import json
import math
import os
import subprocess
import sys

import numpy as np

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "colour", "data")
GRID = np.arange(380.0, 781.0)
C2 = 1.4388e7  # nm K
KM = 683.002  # lm/W
K_D65 = {"s_cone": 0.8173, "m_cone": 1.4558, "l_cone": 1.6289, "rhodopic": 1.4497, "melanopic": 1.3262}
RECEPTORS = list(K_D65)
HCNA = 6.62607015e-34 * 299792458.0 * 6.02214076e23  # J m / mol
UNITS = {"relative": 0.0, "uW/cm2/nm": 0.01, "W/m2/nm": 1.0}


def read_table(name):
    rows = []
    with open(os.path.join(DATA, name)) as f:
        for line in f:
            if line[:1].isdigit():
                rows.append([float(x) for x in line.split(",")])
    return np.array(rows)


def not_a_knot(xs, ys, at):
    """The not-a-knot cubic spline through (xs, ys), evaluated at `at`."""
    n = len(xs) - 1
    h = np.diff(xs)
    a = np.zeros((n + 1, n + 1))
    b = np.zeros(n + 1)
    a[0, 0:3] = [h[1], -(h[0] + h[1]), h[0]]
    a[n, n - 2:n + 1] = [h[n - 1], -(h[n - 2] + h[n - 1]), h[n - 2]]
    for i in range(1, n):
        a[i, i - 1:i + 2] = [h[i - 1], 2 * (h[i - 1] + h[i]), h[i]]
        b[i] = 6 * ((ys[i + 1] - ys[i]) / h[i] - (ys[i] - ys[i - 1]) / h[i - 1])
    m = np.linalg.solve(a, b)
    i = np.clip(np.searchsorted(xs, at, side="right") - 1, 0, n - 1)
    t0 = (xs[i + 1] - at) / h[i]
    t1 = (at - xs[i]) / h[i]
    return t0 * ys[i] + t1 * ys[i + 1] + ((t0 ** 3 - t0) * m[i] + (t1 ** 3 - t1) * m[i + 1]) * h[i] ** 2 / 6


OBS = read_table("cie1931_2deg_1nm.csv")
XBAR, YBAR, ZBAR = (np.interp(GRID, OBS[:, 0], OBS[:, c]) for c in (1, 2, 3))
OPIC = read_table("cie_s026_alpha_opic_1nm.csv")
OPIC = {r: np.interp(GRID, OPIC[:, 0], OPIC[:, c + 1]) for c, r in enumerate(RECEPTORS)}
VS_TABLE = read_table("nist_cqs90_vs15_5nm.csv")
VS = [not_a_knot(VS_TABLE[:, 0], VS_TABLE[:, c], GRID) for c in range(1, 16)]
DAY = read_table("cie_daylight_s012_5nm.csv")


def planck(nm, kelvin):
    return nm ** -5.0 / np.expm1(C2 / (nm * kelvin))


def daylight(kelvin, nm, rounded=False):
    t = 1.0 / kelvin
    if kelvin <= 7000:
        xd = -4.6070e9 * t ** 3 + 2.9678e6 * t ** 2 + 0.09911e3 * t + 0.244063
    else:
        xd = -2.0064e9 * t ** 3 + 1.9018e6 * t ** 2 + 0.24748e3 * t + 0.237040
    yd = -3.000 * xd * xd + 2.870 * xd - 0.275
    m = 0.0241 + 0.2562 * xd - 0.7341 * yd
    m1 = (-1.3515 - 1.7703 * xd + 5.9114 * yd) / m
    m2 = (0.0300 - 31.4424 * xd + 30.0717 * yd) / m
    if rounded:
        m1, m2 = round(m1, 3), round(m2, 3)
    s0, s1, s2 = (np.interp(nm, DAY[:, 0], DAY[:, c]) for c in (1, 2, 3))
    return s0 + m1 * s1 + m2 * s2


def cie_d(nominal):
    """A CIE D illuminant as tabulated: T = nominal x 1.4388/1.4380, M1, M2 to 3 decimals."""
    return lambda nm: daylight(nominal * 1.4388 / 1.4380, nm, rounded=True)


def uv_of(s):
    X, Y, Z = (float(np.dot(s, o)) for o in (XBAR, YBAR, ZBAR))
    d = X + 15 * Y + 3 * Z
    return 4 * X / d, 6 * Y / d


def cct_of(u, v):
    def distance(mired):
        lu, lv = uv_of(planck(GRID, 1e6 / mired))
        return math.hypot(lu - u, lv - v)

    start = min((distance(m), m) for m in np.arange(10.0, 1001.0, 2.0))[1]
    a, b = max(10.0, start - 2.0), min(1000.0, start + 2.0)
    g = (math.sqrt(5) - 1) / 2
    for _ in range(80):
        c, d = b - g * (b - a), a + g * (b - a)
        if distance(c) < distance(d):
            b = d
        else:
            a = c
    return 1e6 / ((a + b) / 2)


def matched_reference(cct, nm):
    return planck(nm, cct) if cct < 5000 else daylight(cct, nm)


# ------------------------------------------------------------------ figures

def alpha_opic(s, scale):
    ev = KM * float(np.dot(s, YBAR))
    out = {}
    for r in RECEPTORS:
        ea = 1000 * float(np.dot(s, OPIC[r]))  # mW/m2 per unit scale
        elr = ea / ev
        out[r] = {"irradiance": ea * scale if scale else None, "elr": elr, "der": elr / K_D65[r],
                  "edi": ea * scale / K_D65[r] if scale else None}
    return out


CMCCAT2000 = np.array([[0.7982, 0.3389, -0.1371], [-0.5918, 1.5512, 0.0406], [0.0008, 0.0239, 0.9753]])


def lab(xyz, white):
    def f(t):
        return np.where(t > (6 / 29) ** 3, np.cbrt(t), t / (3 * (6 / 29) ** 2) + 4 / 29)

    fx, fy, fz = (f(xyz[i] / white[i]) for i in range(3))
    return np.array([116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)])


def samples_lab(light, adapt_to=None):
    """Lab of the 15 samples under light (white Y = 100), adapted to adapt_to's white if given."""
    k = 100 / float(np.dot(light, YBAR))
    white = k * np.array([np.dot(light, o) for o in (XBAR, YBAR, ZBAR)])
    xyz = [k * np.array([np.dot(light * vs, o) for o in (XBAR, YBAR, ZBAR)]) for vs in VS]
    if adapt_to is None:
        return [lab(x, white) for x in xyz]
    target = adapt_to
    gain = (CMCCAT2000 @ target) / (CMCCAT2000 @ white)
    inv = np.linalg.inv(CMCCAT2000)
    return [lab(inv @ (gain * (CMCCAT2000 @ x)), target) for x in xyz]


def white_of(light):
    k = 100 / float(np.dot(light, YBAR))
    return k * np.array([np.dot(light, o) for o in (XBAR, YBAR, ZBAR)])


def polygon_area(points):
    a = np.array([p[1] for p in points])
    b = np.array([p[2] for p in points])
    return 0.5 * abs(float(np.dot(a, np.roll(b, -1)) - np.dot(np.roll(a, -1), b)))


def log_scale(de, factor):
    return 10 * math.log(math.exp((100 - factor * de) / 10) + 1)


def gamut_d65():
    d65 = cie_d(6500)(GRID)
    return polygon_area(samples_lab(d65))


def cqs(s):
    cct = cct_of(*uv_of(s))
    ref = matched_reference(cct, GRID)
    ref_white = white_of(ref)
    test = samples_lab(s, adapt_to=ref_white)
    refl = samples_lab(ref)
    de, dep, dc_pos = [], [], []
    for t, r in zip(test, refl):
        e = float(np.linalg.norm(t - r))
        dc = math.hypot(t[1], t[2]) - math.hypot(r[1], r[2])
        limited = min(dc, 10.0)
        de.append(e)
        dep.append(math.sqrt(e * e - limited * limited) if dc > 0 else e)
        dc_pos.append(max(limited, 0.0))
    rms = lambda xs: math.sqrt(sum(x * x for x in xs) / len(xs))
    return {
        "Qa": log_scale(rms(dep), 3.2),
        "Qf": log_scale(rms(de), 2.93 * 1.0343),
        "Qp": log_scale(rms(dep) - sum(dc_pos) / len(dc_pos), 3.88),
        "Qg": 100 * polygon_area(test) / gamut_d65(),
        "Q_i": [log_scale(x, 3.2) for x in dep],
        "CCT": cct,
    }


SSI_NM = np.arange(375.0, 676.0)
SSI_WEIGHTS = np.array([4 / 15, 22 / 45, 32 / 45, 40 / 45, 44 / 45] + [1.0] * 23 + [11 / 15, 3 / 15])


def ssi(test, reference):
    def bins(v):
        out = np.array([0.5 * v[10 * i] + v[10 * i + 1:10 * i + 10].sum() + 0.5 * v[10 * i + 10] for i in range(30)])
        return out / out.sum()

    t, r = bins(test), bins(reference)
    d = (t - r) / (r + 1 / 30) * SSI_WEIGHTS
    c = np.convolve(d, [0.22, 0.56, 0.22], mode="same")
    return 100 - 32 * math.sqrt(float(np.sum(c * c)))


def trapezoid(nm, v, lo, hi):
    """The integral of the linear interpolant of v over lo..hi (covered by nm)."""
    inside = (nm > lo) & (nm < hi)
    x = np.concatenate(([lo], nm[inside], [hi]))
    y = np.concatenate(([np.interp(lo, nm, v)], v[inside], [np.interp(hi, nm, v)]))
    return float(np.sum((y[1:] + y[:-1]) * np.diff(x)) / 2)


BANDS = {"PPFD": (400, 700), "ePPFD": (400, 750), "uv_a": (315, 400), "blue": (400, 500),
         "green": (500, 600), "red": (600, 700), "far_red": (700, 750)}


def photon_flux(nm, v, scale):
    q = v * nm * 1e-9 / HCNA * 1e6  # umol/m2/s/nm per W/m2/nm
    out = {}
    for name, (lo, hi) in BANDS.items():
        covered = nm[0] <= lo and nm[-1] >= hi
        out[name] = trapezoid(nm, q, lo, hi) * scale if covered and scale else None
    far_red = trapezoid(nm, q, 725, 735)
    out["r_fr"] = trapezoid(nm, q, 655, 665) / far_red if far_red > 0 else None
    return out


def led(nm, v, s):
    p = int(np.argmax(v))
    half = v[p] / 2

    def crossing(step):
        i = p
        while 0 <= i + step < len(v) and v[i + step] >= half:
            i += step
        j = i + step
        if not 0 <= j < len(v):
            return None
        return nm[i] + (nm[j] - nm[i]) * (v[i] - half) / (v[i] - v[j])

    lo, hi = crossing(-1), crossing(1)
    return {"peak_wavelength": float(nm[p]), "centroid_wavelength": float(np.dot(GRID, s) / s.sum()),
            "fwhm": hi - lo if lo is not None and hi is not None else None}


def locus():
    nm = np.arange(380, 781)
    xyz = np.array([np.interp(nm, OBS[:, 0], OBS[:, c]) for c in (1, 2, 3)])
    return nm, xyz[0] / xyz.sum(0), xyz[1] / xyz.sum(0)


def first_crossing(origin, direction, ax, ay, bx, by):
    """Ray origin + t direction (t > 0) against segments a-b: (t, s) of the nearest crossing."""
    ex, ey = bx - ax, by - ay
    den = direction[0] * ey - direction[1] * ex
    with np.errstate(divide="ignore", invalid="ignore"):
        t = ((ax - origin[0]) * ey - (ay - origin[1]) * ex) / den
        s = ((ax - origin[0]) * direction[1] - (ay - origin[1]) * direction[0]) / den
    ok = (den != 0) & (t > 0) & (s >= 0) & (s <= 1)
    if not ok.any():
        return None
    i = int(np.argmin(np.where(ok, t, np.inf)))
    return i, float(t[i]), float(s[i])


def dominant(x, y):
    nm, lx, ly = locus()
    w = np.array([1 / 3, 1 / 3])
    d = np.array([x, y]) - w
    # Segment k joins locus points k and k + 1; the last one, back to 380 nm,
    # is the purple line.
    ax, ay = lx, ly
    bx, by = np.roll(lx, -1), np.roll(ly, -1)
    purple = len(nm) - 1
    i, t, s = first_crossing(w, d, ax, ay, bx, by)
    purity = 1 / t
    if purity < 0.001:
        return {"dominant_wavelength": None, "complementary": False, "purity": purity}
    if i == purple:
        j, _, s2 = first_crossing(w, -d, ax[:-1], ay[:-1], bx[:-1], by[:-1])
        return {"dominant_wavelength": float(nm[j] + s2), "complementary": True, "purity": purity}
    return {"dominant_wavelength": float(nm[i] + s), "complementary": False, "purity": purity}


def xy_of(nm, v):
    g = np.arange(360.0, 831.0)
    s = np.interp(g, nm, v, left=0, right=0)
    X, Y, Z = (float(np.dot(s, OBS[:, c])) for c in (1, 2, 3))
    return X / (X + Y + Z), Y / (X + Y + Z)


def figures(nm, v, scale, xy=None):
    order = np.argsort(nm, kind="stable")
    nm, v = np.asarray(nm)[order], np.asarray(v)[order]
    s = np.interp(GRID, nm, v)
    cct = cct_of(*uv_of(s))
    test_ssi = np.interp(SSI_NM, nm, v, left=0, right=0)
    out = {}
    out.update(dominant(*(xy if xy else xy_of(nm, v))))
    out.update(led(nm, v, s))
    out["alpha_opic"] = alpha_opic(s, scale)
    out["cqs"] = cqs(s)
    out["ssi"] = {"3200K": ssi(test_ssi, planck(SSI_NM, 3200)), "D55": ssi(test_ssi, cie_d(5500)(SSI_NM)),
                  "matched": ssi(test_ssi, matched_reference(cct, SSI_NM))}
    out["photon_flux"] = photon_flux(nm, v, scale)
    return out


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


def leaves(prefix, value):
    if isinstance(value, dict):
        for k, v in value.items():
            yield from leaves(prefix + "." + k if prefix else k, v)
    elif isinstance(value, list):
        for i, v in enumerate(value):
            yield from leaves("%s[%d]" % (prefix, i), v)
    else:
        yield prefix, value


def largest_differences(ours, theirs):
    worst = {}
    for path, a in leaves("", ours):
        node = theirs
        for part in path.replace("[", ".[").split("."):
            if node is None:
                break
            node = node[int(part[1:-1])] if part.startswith("[") else node.get(part)
        group = path.split(".")[0].split("[")[0]
        if a is None or node is None or isinstance(a, bool):
            if (a is None) != (node is None):
                worst[group] = "null in one only: " + path
            continue
        if group == "ssi":
            a = round(a)  # halden prints the index as the Academy defines it, a whole number
        d = abs(a - node) / max(1.0, abs(a))
        if not isinstance(worst.get(group), str):
            worst[group] = max(worst.get(group, 0.0), d)
    return worst


def main(argv):
    cli, unit = None, "relative"
    while argv and argv[0].startswith("--"):
        if argv[0] == "--compare" and len(argv) > 1:
            cli, argv = argv[1], argv[2:]
        elif argv[0] == "--units" and len(argv) > 1 and argv[1] in UNITS:
            unit, argv = argv[1], argv[2:]
        elif argv[0] == "--constants":
            d65 = cie_d(6500)(GRID)
            ev = KM * float(np.dot(d65, YBAR))
            print(json.dumps({"K_D65_from_tables": {r: 1000 * float(np.dot(d65, OPIC[r])) / ev for r in RECEPTORS},
                              "cqs_gamut_area_D65": gamut_d65()}, indent=1))
            return 0
        else:
            break
    if not argv:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    for path in argv:
        nm, v = read_spectrum(path)
        if not cli:
            print(json.dumps({"file": path, **figures(nm, v, UNITS[unit])}))
            continue
        theirs = json.loads(subprocess.run([cli, "colour", path, "--json", "--units", unit], check=True,
                                           capture_output=True, text=True).stdout)
        ours = figures(nm, v, UNITS[unit], (theirs["x"], theirs["y"]))
        ours["cqs"].pop("CCT")
        print(json.dumps({"file": path, "largest_relative_difference": largest_differences(ours, theirs)}))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
