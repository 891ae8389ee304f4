# Installs the device library for its callers: the shared library with its
# SONAME links, the public header, a pkg-config file and the CMake package
# VantrelShared. Both descriptions find the prefix from where they lie, so an
# installed tree still works after it has been moved.
#
# Components: vantrel_runtime (the library itself) and vantrel_dev (what a
# program needs to build against it); the packages follow the same split.
include(CMakePackageConfigHelpers)

install(TARGETS vantrel_shared EXPORT VantrelSharedTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT vantrel_runtime NAMELINK_COMPONENT vantrel_dev)
install(FILES include/vantrel_shared.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT vantrel_dev)

set(VANTREL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VantrelShared)
install(EXPORT VantrelSharedTargets NAMESPACE VantrelShared::
  DESTINATION ${VANTREL_CMAKE_DIR} COMPONENT vantrel_dev)
configure_package_config_file(VantrelSharedConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/VantrelSharedConfig.cmake
  INSTALL_DESTINATION ${VANTREL_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VantrelSharedConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/VantrelSharedConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/VantrelSharedConfigVersion.cmake
  DESTINATION ${VANTREL_CMAKE_DIR} COMPONENT vantrel_dev)

# pkg-config: the prefix is worked out from the .pc file's own folder
# (${pcfiledir}), unless the folders were given as absolute paths.
set(VANTREL_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(VANTREL_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH up "/root/${VANTREL_PC_DIR}" "/root")
  string(REGEX REPLACE "/$" "" up "${up}")
  set(VANTREL_PC_PREFIX "\${pcfiledir}/${up}")
endif()
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(VANTREL_PC_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(VANTREL_PC_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
configure_file(vantrel_shared.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vantrel_shared.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vantrel_shared.pc
  DESTINATION ${VANTREL_PC_DIR} COMPONENT vantrel_dev)
