"""Shared set-up: two virtual spectrometers that answer at once, every test in
its own folder (the calibration backup a Spectrometer writes lands there), and
halden-cli to compare with."""

import os
import subprocess
import sys

import pytest

os.environ["VANTREL_VIRTUAL"] = "2"
os.environ.setdefault("VANTREL_VIRTUAL_TIMING", "instant")
for name in ("VANTREL_VIRTUAL_SCENE", "VANTREL_VIRTUAL_FAULTS"):
    os.environ.pop(name, None)

import halden  # noqa: E402  (after the environment the library reads)


@pytest.fixture(autouse=True)
def in_tmp_path(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    return tmp_path


@pytest.fixture
def cli():
    """Runs halden-cli; returns the completed process, failing on a non-zero
    exit unless check=False."""
    program = os.environ.get("HALDEN_CLI")
    if not program:
        pytest.fail("HALDEN_CLI must name the halden-cli to compare with (ctest sets it)")

    def run(*args, cwd=None, check=True, env=None):
        done = subprocess.run([program, *map(str, args)], cwd=cwd, capture_output=True, text=True,
                              env={**os.environ, **(env or {})})
        if check and done.returncode != 0:
            raise AssertionError(f"halden-cli {' '.join(map(str, args))}: {done.stderr}")
        return done

    return run


@pytest.fixture
def python_script():
    """Runs a Python script in a fresh interpreter (a fresh virtual instrument
    and library); returns the completed process."""

    def run(source, cwd, env=None):
        done = subprocess.run([sys.executable, "-c", source], cwd=cwd, capture_output=True, text=True,
                              env={**os.environ, **(env or {})})
        return done

    return run


def peak_spectrum(points=401, centre=550.3, width=20.0, height=1000.0, offset=100.0):
    """A Gaussian test peak on an offset over 400-700 nm."""
    import numpy as np

    x = np.linspace(400.0, 700.0, points)
    return halden.Spectrum(x, offset + height * np.exp(-((x - centre) / (width / 4)) ** 2))
