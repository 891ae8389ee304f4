"""colour, gauss, baseline and compare against halden-cli's output on the
same file."""

import json

import numpy as np
import pytest

import halden
from conftest import peak_spectrum


@pytest.fixture(scope="module")
def lamp_file(tmp_path_factory):
    """An acquired lamp spectrum, saved as halden-cli saves it."""
    folder = tmp_path_factory.mktemp("lamp")
    with halden.Spectrometer(0) as s:
        s.exposure_ms = 15
        sp = s.acquire()
    path = folder / "lamp.txt"
    halden.write_spectrum(path, sp)
    return path


@pytest.mark.parametrize("units", ["relative", "W/m2/nm"])
def test_colour_is_what_halden_cli_colour_json_prints(lamp_file, cli, units):
    expected = json.loads(cli("colour", lamp_file, "--json", "--units", units).stdout)
    figures = halden.colour(halden.read_spectrum(lamp_file), units=units)
    assert figures == expected
    assert 2700 < figures["Tc"] < 3100 and figures["Ra"] > 95 and figures["Rf"] > 95
    assert (figures["alpha_opic"]["melanopic"]["edi"] is None) == (units == "relative")


def test_colour_without_the_visible_range_gives_the_reasons_halden_cli_gives(tmp_path, cli):
    path = tmp_path / "infrared.txt"
    halden.write_spectrum(path, halden.Spectrum(np.linspace(800, 1000, 201), np.linspace(1, 2, 201)))
    expected = json.loads(cli("colour", path, "--json", check=False).stdout)
    figures = halden.colour(halden.read_spectrum(path))
    assert figures == expected
    assert figures["Ra"] is None and figures["reasons"]["Ra"]


def test_gauss_is_what_halden_cli_gauss_json_prints(tmp_path, cli):
    path = tmp_path / "peak.txt"
    halden.write_spectrum(path, peak_spectrum())
    expected = json.loads(cli("gauss", path, "--json").stdout)
    fit = halden.gauss(halden.read_spectrum(path))
    assert fit == expected
    assert fit["center"] == pytest.approx(550.3, abs=0.01)


def test_baseline_is_the_file_halden_cli_baseline_writes(tmp_path, cli):
    x = np.linspace(400.0, 700.0, 301)
    sp = halden.Spectrum(x, 50.0 + 0.2 * x + 800.0 * np.exp(-((x - 550.0) / 4.0) ** 2))
    halden.write_spectrum(tmp_path / "in.txt", sp)
    cli("baseline", tmp_path / "in.txt", "--window", 30, "--iterations", 40, "-o", tmp_path / "cli.txt")
    corrected = halden.baseline(halden.read_spectrum(tmp_path / "in.txt"), window=30, iterations=40)
    halden.write_spectrum(tmp_path / "py.txt", corrected)
    assert (tmp_path / "py.txt").read_bytes() == (tmp_path / "cli.txt").read_bytes()
    assert corrected.metadata["baseline"] == {"window": 30, "iterations": 40}


def test_compare_ranks_as_halden_cli_compare_does(tmp_path, cli):
    x = np.linspace(400.0, 700.0, 301)
    folder = tmp_path / "database"
    folder.mkdir()
    shapes = {
        "a.txt": np.exp(-((x - 550.0) / 20.0) ** 2),
        "b.txt": 3.0 * np.exp(-((x - 560.0) / 25.0) ** 2),
        "c.txt": 1.0 + 0.001 * x,
    }
    for name, y in shapes.items():
        halden.write_spectrum(folder / name, halden.Spectrum(x, y))
    halden.write_spectrum(folder / "far.txt", halden.Spectrum(x + 1000.0, np.ones_like(x)))
    (folder / "sub").mkdir()
    live = halden.Spectrum(x, 2.0 * np.exp(-((x - 552.0) / 21.0) ** 2))
    halden.write_spectrum(tmp_path / "live.txt", live)
    for metric in ("score", "hqi", "pearson", "derivative"):
        for normalize in (False, True):
            options = ["--json", "--metric", metric] + (["--normalize"] if normalize else [])
            expected = json.loads(cli("compare", tmp_path / "live.txt", folder, *options).stdout)
            ranked = halden.compare(halden.read_spectrum(tmp_path / "live.txt"), folder, normalize=normalize,
                                    metric=metric)
            assert [(f["name"], f["score"]) for f in expected["files"]] == ranked
    # The sub-folder holds no spectrum: it is not ranked.
    assert ranked[-1] == ("far.txt", -1000.0)
    assert "sub" not in [name for name, _ in ranked]


def test_bad_arguments_raise_value_or_type_errors(tmp_path):
    sp = peak_spectrum()
    with pytest.raises(ValueError, match="units must be 'relative', 'uW/cm2/nm' or 'W/m2/nm'"):
        halden.colour(sp, units="lux")
    with pytest.raises(ValueError, match="at least two"):
        halden.colour(halden.Spectrum([500.0], [1.0]))
    with pytest.raises(ValueError, match="the Gaussian fit needs at least 22"):
        halden.gauss(halden.Spectrum(np.arange(21.0), np.ones(21)))
    with pytest.raises(ValueError, match="window must be a whole number from 0 to 1000000"):
        halden.baseline(sp, window=-1)
    with pytest.raises(ValueError, match="metric must be 'score', 'hqi', 'pearson' or 'derivative'"):
        halden.compare(sp, tmp_path, metric="distance")
    with pytest.raises(halden.Error, match="UNABLE TO OPEN FILE"):
        halden.compare(sp, tmp_path / "missing")
    with pytest.raises(TypeError):
        halden.colour([400.0, 500.0])
