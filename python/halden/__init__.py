"""Halden: the Vantrel spectrometer and every figure of its spectra, from Python.

Acquire from the instrument (or the virtual one), compute the colour, light,
Gaussian, baseline and database figures halden-cli computes, read and write
spectrum files, and draw the chart:

    import halden
    with halden.Spectrometer(0, virtual=True) as s:
        s.exposure_ms = 20.0
        sp = s.acquire()
    print(halden.colour(sp)["Tc"])

Failures of the instrument, a file or the program raise halden.Error, a
RuntimeError whose code is the device library's result code.
"""

from ._halden import (
    Error,
    Spectrometer,
    Spectrum,
    __version__,
    baseline,
    colour,
    compare,
    devices,
    gauss,
    plot,
    read_spectrum,
    write_spectrum,
)

__all__ = [
    "Error",
    "Spectrometer",
    "Spectrum",
    "__version__",
    "baseline",
    "colour",
    "compare",
    "devices",
    "gauss",
    "plot",
    "read_spectrum",
    "write_spectrum",
]
