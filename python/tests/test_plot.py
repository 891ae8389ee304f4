"""plot against halden-cli plot on the same files."""

import json

import numpy as np
import pytest

import halden
from conftest import peak_spectrum


def test_plot_draws_the_picture_and_layout_halden_cli_plot_draws(tmp_path, cli):
    first, second = tmp_path / "first.txt", tmp_path / "second.txt"
    halden.write_spectrum(first, peak_spectrum())
    halden.write_spectrum(second, peak_spectrum(centre=600.0, height=500.0))
    options = ["--size", "640x480", "--marker", 551, "--gauss", "--energy", "--x", 420, 680]
    expected = json.loads(cli("plot", first, second, "-o", tmp_path / "cli.png", "--json", *options).stdout)
    cli("plot", first, second, "-o", tmp_path / "cli.svg", *options)
    spectra = [halden.read_spectrum(first), halden.read_spectrum(second)]
    for suffix in ("png", "svg"):
        layout = halden.plot(tmp_path / f"py.{suffix}", spectra, size=(640, 480), marker=551, gauss=True,
                             energy=True, x=(420, 680))
        assert layout == expected
        assert (tmp_path / f"py.{suffix}").read_bytes() == (tmp_path / f"cli.{suffix}").read_bytes()
    assert layout["marker"]["index"] == 201 and any(t["text"] == "center: 550.30 nm" for t in layout["texts"])


def test_plot_refuses_what_it_cannot_draw(tmp_path):
    sp = peak_spectrum()
    with pytest.raises(ValueError, match="needs the extension .png, .bmp, .pdf or .svg"):
        halden.plot(tmp_path / "chart.jpg", sp)
    with pytest.raises(ValueError, match="between 1 and 16384"):
        halden.plot(None, sp, size=(0, 100))
    with pytest.raises(ValueError, match="at most 98 spectra"):
        halden.plot(None, [sp] * 99)
    with pytest.raises(ValueError, match="1 to 4096 points"):
        halden.plot(None, halden.Spectrum(np.arange(5000.0), np.zeros(5000)))
    with pytest.raises(TypeError, match="a Spectrum or a sequence of them"):
        halden.plot(None, [sp, "second.txt"])
    with pytest.raises(halden.Error, match="cannot write"):
        halden.plot(tmp_path / "missing" / "chart.png", sp)
    assert halden.plot(None, sp)["size"] == [1000, 700]
