"""Spectrometer: acquisitions from the virtual instrument, against halden-cli
acquire, its settings and errors, and threads."""

import json
import signal
import subprocess
import sys
import threading

import numpy as np
import pytest

import halden

# Acquires in a fresh interpreter (a fresh virtual instrument, so the same
# noise as a fresh halden-cli) and saves every spectrum, then prints the
# metadata.
ACQUIRE_SCRIPT = """
import json, halden
with halden.Spectrometer(0) as s:
    s.exposure_ms = 20
    s.scans = 3
    s.average = False
    s.boxcar = 2
    spectra = s.acquire(count=2)
for k, sp in enumerate(spectra, 1):
    halden.write_spectrum(f"run_S1_{k}_.txt", sp)
print(json.dumps([sp.metadata for sp in spectra]))
"""


def test_acquisitions_are_the_ones_halden_cli_saves_at_the_same_settings(tmp_path, cli, python_script):
    (tmp_path / "py").mkdir()
    (tmp_path / "cli").mkdir()
    done = python_script(ACQUIRE_SCRIPT, cwd=tmp_path / "py")
    assert done.returncode == 0, done.stderr
    cli("--virtual", "acquire", "--exposure", 20, "--scans", 3, "--no-average", "--boxcar", 2, "--count", 2,
        "-o", "run", cwd=tmp_path / "cli")
    for name in ("run_S1_1_.txt", "run_S1_2_.txt", "Y00123.clbr"):
        assert (tmp_path / "py" / name).read_bytes() == (tmp_path / "cli" / name).read_bytes(), name
    metadata = json.loads(done.stdout)
    assert [m["exposure_ms"] for m in metadata] == [20.0, 20.0]
    assert metadata[0]["scans"] == 3 and metadata[0]["average"] is False and metadata[0]["boxcar"] == 2
    assert metadata[0]["serial"] == "Y00123" and metadata[0]["identification"] == "VS014.2403Y00123"
    assert metadata[0]["trigger"] == "none" and metadata[0]["time"].endswith("Z")


def test_a_spectrum_has_the_calibration_wavelengths_and_fast_mode_its_own_values():
    with halden.Spectrometer(0) as s:
        wavelengths = s.calibration["wavelengths"]
        full = s.acquire()
        s.fast = True
        half = s.acquire()
    np.testing.assert_array_equal(full.wavelengths, wavelengths)
    assert full.rows.shape == (1, 3653) and full.metadata["fast"] is False
    # Point i of the half-resolution spectrum is detector point 2i, at its own
    # wavelength: its value is the full spectrum's there (within the noise).
    assert half.metadata["fast"] is True and len(half) == 1827
    np.testing.assert_array_equal(half.wavelengths, wavelengths[::2])
    lit = full.values[::2] > 10000
    assert lit.sum() > 300
    ratio = half.values[lit] / full.values[::2][lit]
    assert np.median(np.abs(ratio - 1)) < 0.01 and np.all(np.abs(ratio - 1) < 0.1)


def test_irradiance_gives_the_lamps_own_colour_in_both_resolutions():
    # The virtual lamp is a 2856 K black body seen through the instrument's
    # response; the irradiance factors undo the response (counts give 3100 K).
    with halden.Spectrometer(0) as s:
        s.scans = 4
        full = s.acquire()
        s.fast = True
        half = s.acquire()
        lamps = [s.irradiance(full), s.irradiance(half)]
        with pytest.raises(ValueError, match="not the calibration points of spectrometer 0"):
            s.irradiance(halden.Spectrum(full.wavelengths + 0.1, full.values, full.metadata))
        with pytest.raises(ValueError, match="no exposure_scaled"):
            s.irradiance(halden.Spectrum(full.wavelengths, full.values))
    for lamp in lamps:
        figures = halden.colour(lamp, units="uW/cm2/nm")
        assert figures["Tc"] == pytest.approx(2856, abs=30) and figures["Ra"] > 99
        assert lamp.metadata["units"] == "uW/cm2/nm"
        assert figures["alpha_opic"]["melanopic"]["edi"] > 0


def test_the_calibration_is_read_only_and_its_backup_is_written(in_tmp_path):
    with halden.Spectrometer(1, virtual=True) as s:
        calibration = s.calibration
        assert s.serial == "Y00124" and calibration["serial"] == "Y00124"
    assert calibration["source"] == "flash" and calibration["irradiance_calibrated"] is True
    for name in ("wavelengths", "sensitivity", "irradiance"):
        array = calibration[name]
        assert array.shape == (3653,) and array.dtype == np.float64 and not array.flags.writeable
        with pytest.raises(ValueError):
            array[0] = 1.0
    assert np.all(np.diff(calibration["wavelengths"]) > 0)
    assert (in_tmp_path / "Y00124.clbr").is_file()


def test_a_backup_that_cannot_be_written_is_a_warning(in_tmp_path):
    (in_tmp_path / "Y00123.clbr").mkdir()
    with pytest.warns(UserWarning, match="No backup of the spectrometer's calibration was written") as warned:
        halden.Spectrometer(0).close()
    assert len(warned) == 1 and warned[0].filename == __file__


@pytest.mark.parametrize(
    "setting, value, words",
    [
        ("exposure_ms", -1, "exposure_ms must be from 0 to 300000"),
        ("exposure_ms", 300000.5, "exposure_ms must be"),
        ("exposure_ms", float("nan"), "exposure_ms must be"),
        ("scans", 0, "scans must be from 1 to 64"),
        ("scans", 65, "scans must be"),
        ("boxcar", 51, "boxcar must be a half-width from 0 to 50"),
    ],
)
def test_settings_out_of_range_are_refused_and_change_nothing(setting, value, words):
    with halden.Spectrometer(0) as s:
        before = getattr(s, setting)
        with pytest.raises(ValueError, match=words):
            setattr(s, setting, value)
        assert getattr(s, setting) == before


def test_settings_reach_the_next_acquisition():
    with halden.Spectrometer(0) as s:
        s.exposure_ms = 12.345
        s.scans = 2
        s.average = False
        s.boxcar = 3
        sp = s.acquire()
    assert s.exposure_ms == 12.34  # held in steps of 0.01 ms
    m = sp.metadata
    assert (m["exposure_ms"], m["scans"], m["average"], m["boxcar"]) == (12.34, 2, False, 3)
    assert sp.rows.shape == (2, 3653)


def test_bad_arguments_and_missing_devices_are_told_apart():
    with pytest.raises(ValueError, match="from 0 to 9"):
        halden.Spectrometer(10)
    with pytest.raises(halden.Error, match="no spectrometer at index 5: 2 attached") as raised:
        halden.Spectrometer(5)
    assert raised.value.code == 501
    with pytest.raises(halden.Error, match="calibration file cannot be used"):
        halden.Spectrometer(0, calibration="missing.clbr")
    with halden.Spectrometer(0) as s:
        with pytest.raises(halden.Error, match="already open"):
            halden.Spectrometer(0)
        with pytest.raises(ValueError, match="count must be"):
            s.acquire(count=0)
        with pytest.raises(ValueError, match="timeout must be"):
            s.acquire(timeout=-1)
        with pytest.raises(ValueError, match="mode must be one of 'none', 'external', 'optical'"):
            s.set_trigger("sometimes")
        with pytest.raises(TypeError):
            s.acquire(count="two")


def test_a_closed_spectrometer_refuses_and_frees_its_index():
    s = halden.Spectrometer(0)
    s.close()
    s.close()
    assert s.closed
    with pytest.raises(halden.Error, match="spectrometer 0 is closed"):
        s.acquire()
    with pytest.raises(halden.Error, match="closed"):
        s.exposure_ms = 5
    with halden.Spectrometer(0) as again:
        assert len(again.acquire(count=2)) == 2


def test_a_refused_setting_raises_with_the_devices_status(python_script, tmp_path):
    script = """
import halden
with halden.Spectrometer(0) as s:
    try:
        s.acquire()
    except halden.Error as e:
        print(e.code, e)
"""
    done = python_script(script, cwd=tmp_path, env={"VANTREL_VIRTUAL_FAULTS": "status,cmd=0x03,value=3"})
    assert done.returncode == 0, done.stderr
    assert done.stdout.startswith("3 setAcquisitionParameters failed: the spectrometer answered with status 3")


def test_a_second_thread_acquires_on_another_device_while_the_first_waits():
    waiting = halden.Spectrometer(0)
    other = halden.Spectrometer(1)
    try:
        waiting.set_trigger("external", edge="rising")  # no trigger ever comes
        outcome = {}

        def wait_for_trigger():
            try:
                outcome["spectrum"] = waiting.acquire()
            except halden.Error as e:
                outcome["error"] = e

        thread = threading.Thread(target=wait_for_trigger)
        thread.start()
        while not waiting.acquiring and thread.is_alive():
            thread.join(0.001)
        assert waiting.acquiring
        spectra = other.acquire(count=3)  # the waiting thread holds no lock this one needs
        assert [sp.metadata["device_index"] for sp in spectra] == [1, 1, 1]
        assert thread.is_alive() and waiting.acquiring and not outcome
        listed = halden.devices()  # the waiting device's flash is not touched
        assert [d["in_use"] for d in listed] == [True, True]
        assert listed[0]["identification"] == "VS014.2403Y00123"
        waiting.stop()
        thread.join()
        assert "stopped before the spectrometer was ready" in str(outcome["error"])
        with pytest.raises(halden.Error, match="did not finish within 0.05 s"):
            waiting.acquire(timeout=0.05)
        waiting.set_trigger("none")
        assert waiting.acquire().metadata["trigger"] == "none"
    finally:
        waiting.close()
        other.close()


def test_devices_lists_the_virtual_instruments():
    listed = halden.devices()
    assert [(d["index"], d["serial"], d["identification"], d["virtual"], d["usb_serial"]) for d in listed] == [
        (0, "Y00123", "VS014.2403Y00123", True, None),
        (1, "Y00124", "VS014.2403Y00124", True, None),
    ]
    assert not any(d["in_use"] for d in listed)


# Waits for an external trigger that never comes; a helper thread says when
# the main thread is inside the wait.
TRIGGER_WAIT_SCRIPT = """
import threading, halden
s = halden.Spectrometer(0)
s.set_trigger("external")
def tell():
    while not s.acquiring:
        threading.Event().wait(0.001)
    print("waiting", flush=True)
threading.Thread(target=tell, daemon=True).start()
try:
    s.acquire()
except KeyboardInterrupt:
    print("interrupted", flush=True)
print("closed" if (s.close() or s.closed) else "open", flush=True)
"""


def test_ctrl_c_ends_a_wait_for_a_trigger(tmp_path):
    process = subprocess.Popen([sys.executable, "-c", TRIGGER_WAIT_SCRIPT], cwd=tmp_path, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    try:
        assert process.stdout.readline() == "waiting\n"
        process.send_signal(signal.SIGINT)
        out, err = process.communicate(timeout=120)
    finally:
        process.kill()
    assert process.returncode == 0, err
    assert out == "interrupted\nclosed\n"
