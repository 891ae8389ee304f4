# Debian packages by `cpack -G DEB` in the build folder:
#   halden                 the window and halden-cli, desktop entry, man pages
#   libvantrel-shared1     the device library and its udev rule
#   libvantrel-shared-dev  header, pkg-config file and CMake package
#   python3-halden         the Python module halden (when it is built)
# Dependencies on other Debian packages come from the binaries (dpkg-shlibdeps);
# the ones among our own packages are exact versions.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halden)
set(CPACK_PACKAGE_VENDOR "Vantrel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${HALDEN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL vantrel_runtime vantrel_dev)
if(HALDEN_BUILD_APP)
  list(APPEND CPACK_COMPONENTS_ALL halden)
endif()
if(HALDEN_PYTHON_MODULE)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()
# Install with the packages' prefix, so everything that depends on the
# prefix at install time (the udev rule's folder) is chosen for /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${HALDEN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own library, for dpkg-shlibdeps to read while it is not installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/devicelib)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(HALDEN_EXACT "(= ${HALDEN_PACKAGE_VERSION})")

set(CPACK_DEBIAN_HALDEN_PACKAGE_NAME halden)
set(CPACK_DEBIAN_HALDEN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_HALDEN_PACKAGE_DEPENDS "libvantrel-shared1 ${HALDEN_EXACT}")
set(CPACK_DEBIAN_HALDEN_PACKAGE_RECOMMENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_HALDEN_DESCRIPTION "desktop and command-line software for the Vantrel spectrometer
Halden drives the Vantrel compact USB spectrometer (3694-pixel linear CCD)
and turns what it measures into spectra and derived figures: colour
temperature, colour rendering, irradiance and luminous figures, reflectance,
transmittance, absorbance and concentration, Raman spectra with polystyrene
calibration, Gaussian peak fits and database comparison.

The package holds the desktop window (halden) and the command-line front end
for scripts (halden-cli). Both run on a built-in virtual spectrometer when
no instrument is attached.")

set(CPACK_DEBIAN_VANTREL_RUNTIME_PACKAGE_NAME libvantrel-shared1)
set(CPACK_DEBIAN_VANTREL_RUNTIME_PACKAGE_SECTION libs)
# ldconfig runs through dpkg's trigger as well as the generated scripts.
set(CPACK_DEBIAN_VANTREL_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_VANTREL_RUNTIME_DESCRIPTION "device library for the Vantrel USB spectrometer
vantrel_shared speaks to up to ten Vantrel spectrometers over USB HID through
a flat C interface: connection, exposure and acquisition settings, triggers,
frame read-out and the calibration flash. It also holds a virtual
spectrometer for work without hardware.

The package also installs a udev rule that gives the user at the seat and
the plugdev group access to the instrument.")

set(CPACK_DEBIAN_VANTREL_DEV_PACKAGE_NAME libvantrel-shared-dev)
set(CPACK_DEBIAN_VANTREL_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_VANTREL_DEV_PACKAGE_DEPENDS "libvantrel-shared1 ${HALDEN_EXACT}")
set(CPACK_DEBIAN_VANTREL_DEV_DESCRIPTION "development files for the Vantrel spectrometer library
vantrel_shared speaks to up to ten Vantrel spectrometers over USB HID through
a flat C interface.

This package holds the C header, the pkg-config file vantrel_shared.pc and
the CMake package VantrelShared (target VantrelShared::vantrel_shared).")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-halden)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
# The extension module is built for one Python version; NumPy is imported
# when the module hands out arrays.
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
  "libvantrel-shared1 ${HALDEN_EXACT}, python3 (>= ${HALDEN_PYTHON_VERSION}~), python3 (<< ${HALDEN_PYTHON_NEXT_VERSION}), python3-numpy")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Python module for the Vantrel spectrometer (halden)
import halden gives Python scripts and notebooks the Vantrel spectrometer
(or the virtual one in its device library) and every figure of the Halden
software: acquisitions as NumPy arrays with their settings, colour
temperature, colour rendering (Ra, Rf, Rg) and the light figures, Gaussian
peak fits, baseline correction, spectral database comparison, spectrum
files and the chart as PNG, PDF or SVG.")

include(CPack)
