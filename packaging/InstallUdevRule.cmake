# Runs at install time: copies the spectrometer's udev rule to the folder
# udev reads for the install prefix. udev reads /usr/lib/udev/rules.d
# (packages) and /etc/udev/rules.d (the local admin), never /usr/local, so a
# local install puts the rule in /etc. HALDEN_UDEV_RULES_DIR, when set,
# overrides the choice.
set(dir "${HALDEN_UDEV_RULES_DIR}")
if(NOT dir)
  string(REGEX REPLACE "(.)/+$" "\\1" prefix "${CMAKE_INSTALL_PREFIX}")
  if(prefix STREQUAL "/usr")
    set(dir "/usr/lib/udev/rules.d")
  elseif(prefix STREQUAL "/usr/local" OR prefix STREQUAL "/")
    set(dir "/etc/udev/rules.d")
  else()
    set(dir "${prefix}/lib/udev/rules.d")
  endif()
endif()
file(INSTALL "${HALDEN_UDEV_RULE_FILE}" DESTINATION "${dir}")
