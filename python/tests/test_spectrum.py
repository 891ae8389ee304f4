"""Spectrum objects, and the spectrum files they are read from and written to."""

import os

import numpy as np
import pytest

import halden


def test_arrays_are_writable_float64_copies_that_change_nothing_inside():
    x = np.array([400.0, 500.0, 600.0])
    rows = np.array([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]])
    sp = halden.Spectrum(x, rows, {"note": {"kept": [1]}})
    x[0] = -1.0
    rows[0, 0] = -1.0
    for array in (sp.wavelengths, sp.values, sp.rows):
        assert array.dtype == np.float64
        assert array.flags.c_contiguous and array.flags.writeable
    assert sp.rows.shape == (2, 3) and len(sp) == 3
    sp.wavelengths[:] = 0
    sp.values[:] = 0
    sp.rows[:] = 0
    sp.metadata["note"]["kept"].append(2)
    np.testing.assert_array_equal(sp.wavelengths, [400.0, 500.0, 600.0])
    np.testing.assert_array_equal(sp.values, [1.0, 2.0, 3.0])
    np.testing.assert_array_equal(sp.rows, [[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]])
    assert sp.metadata == {"note": {"kept": [1]}}


@pytest.mark.parametrize(
    "wavelengths, values, metadata, error, words",
    [
        ([400, 500, 600], [1, np.nan, 3], None, ValueError, "values must be finite; element 1"),
        ([400, np.inf, 600], [1, 2, 3], None, ValueError, "wavelengths must be finite"),
        ([400, 500, 500], [1, 2, 3], None, ValueError, "wavelengths must rise"),
        ([600, 500, 400], [1, 2, 3], None, ValueError, "wavelengths must rise"),
        ([400, 500], [1, 2, 3], None, ValueError, "they must be as many"),
        ([], [], None, ValueError, "at least one point"),
        (["a", "b"], [1, 2], None, ValueError, "wavelengths must hold numbers"),
        ([400, 500], [1j, 2], None, TypeError, "values must hold numbers"),
        (None, [1, 2], None, TypeError, "not None"),
        ([400, 500], np.zeros((1, 1, 2)), None, ValueError, "not of 3 dimensions"),
        ([[400, 500]], [1, 2], None, ValueError, "one-dimensional"),
        ([400, 500], [1, 2], "serial", TypeError, "metadata must be a dict"),
    ],
)
def test_bad_arrays_are_refused_with_a_clear_message(wavelengths, values, metadata, error, words):
    with pytest.raises(error, match=words):
        halden.Spectrum(wavelengths, values, metadata)


def test_a_written_file_reads_back_with_every_row_as_a_column(tmp_path):
    sp = halden.Spectrum([400.0, 400.5, 401.25], [[1.0, -2.5, 1234.5678], [7.0, 8.0, 9.0]])
    path = tmp_path / "two rows.txt"
    halden.write_spectrum(path, sp)
    assert path.read_bytes() == (b"400.000 1.000\t7.000\r\n400.500 -2.500\t8.000\r\n"
                                 b"401.250 1234.568\t9.000\r\n")
    back = halden.read_spectrum(str(path))
    np.testing.assert_array_equal(back.wavelengths, [400.0, 400.5, 401.25])
    np.testing.assert_array_equal(back.values, [1.0, -2.5, 1234.568])
    assert back.metadata == {"path": str(path)}
    # A Fast-mode spectrum keeps halden-cli's layout: a tab after the wavelength.
    halden.write_spectrum(path, halden.Spectrum([400.0], [1.0], {"fast": True}))
    assert path.read_bytes() == b"400.000\t1.000\r\n"


def test_a_file_keeps_its_order_when_read(tmp_path):
    path = tmp_path / "falling.txt"
    path.write_text("# header\n700 1\n600 2\n500 3\n")
    np.testing.assert_array_equal(halden.read_spectrum(path).wavelengths, [700, 600, 500])


def test_unreadable_files_raise_halden_error_and_failed_writes_keep_the_old_file(tmp_path):
    with pytest.raises(halden.Error, match="cannot read '.*missing.txt'") as raised:
        halden.read_spectrum(tmp_path / "missing.txt")
    assert isinstance(raised.value, RuntimeError) and raised.value.code == 0
    with pytest.raises(halden.Error, match="not a regular file"):
        halden.read_spectrum(tmp_path)
    (tmp_path / "empty.txt").write_text("no data here\n")
    with pytest.raises(halden.Error, match="holds no data lines"):
        halden.read_spectrum(tmp_path / "empty.txt")
    (tmp_path / "wide.txt").write_bytes("400 1\n".encode("utf-16"))
    with pytest.raises(halden.Error, match="UTF-16"):
        halden.read_spectrum(tmp_path / "wide.txt")

    sp = halden.Spectrum([400.0, 500.0], [1.0, 2.0])
    with pytest.raises(halden.Error, match="cannot write"):
        halden.write_spectrum(tmp_path / "no such folder" / "a.txt", sp)
    (tmp_path / "a folder.txt").mkdir()
    with pytest.raises(halden.Error, match="cannot write"):
        halden.write_spectrum(tmp_path / "a folder.txt", sp)
    assert (tmp_path / "a folder.txt").is_dir()
    with pytest.raises(ValueError, match="at most 4096 points"):
        halden.write_spectrum(tmp_path / "long.txt", halden.Spectrum(np.arange(4097.0), np.zeros(4097)))
    assert not os.path.exists(tmp_path / "long.txt")
