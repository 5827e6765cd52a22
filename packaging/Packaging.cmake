# Installation (cmake --install) and the Debian package (cpack -G DEB).
# Installs the programs that this build has, the desktop entries (Vantrel, and Vantrel
# Bench beside it), the icon and the MIME type that lets a file manager open .phx files
# in Vantrel (not in the bench, which has no MIME association).

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsPackaging.cmake)
  return()
endif()

include(GNUInstallDirs)

set(VANTREL_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

foreach(program vantrel vantrel-bench vantrel-cli vantrel-tavsim vantrel-phx)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES ${VANTREL_PACKAGING_DIR}/vantrel.desktop ${VANTREL_PACKAGING_DIR}/vantrel-bench.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VANTREL_PACKAGING_DIR}/vantrel-phx.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${VANTREL_PACKAGING_DIR}/vantrel.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The PNGs were rendered once from vantrel.svg, for desktops that want bitmaps.
install(FILES ${VANTREL_PACKAGING_DIR}/vantrel-256.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME vantrel.png)
install(FILES ${VANTREL_PACKAGING_DIR}/vantrel-48.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME vantrel.png)
if(EXISTS ${PROJECT_SOURCE_DIR}/docs/vantrel-cli.md)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/vantrel-cli.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantrel)
endif()

# A plain `cmake --install` into a live prefix refreshes the MIME and desktop databases,
# so that .phx files open in Vantrel at once. Staged installs (DESTDIR, or CPack, which
# installs below _CPack_Packages) leave that to the package manager's triggers.
install(CODE [[
  if("$ENV{DESTDIR}" STREQUAL "" AND NOT CMAKE_INSTALL_PREFIX MATCHES "/_CPack_Packages/")
    find_program(VANTREL_UPDATE_MIME update-mime-database)
    find_program(VANTREL_UPDATE_DESKTOP update-desktop-database)
    if(VANTREL_UPDATE_MIME)
      execute_process(COMMAND ${VANTREL_UPDATE_MIME} "${CMAKE_INSTALL_PREFIX}/share/mime")
    endif()
    if(VANTREL_UPDATE_DESKTOP)
      execute_process(COMMAND ${VANTREL_UPDATE_DESKTOP} -q "${CMAKE_INSTALL_PREFIX}/share/applications")
    endif()
  endif()
]])

# The Debian package.
set(VANTREL_PACKAGE_CONTACT "Vantrel maintainers <vantrel@example.org>"
  CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Telvar")
set(CPACK_PACKAGE_CONTACT "${VANTREL_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Finds tavs on the serial ports and reloads their firmware")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Vantrel reloads the firmware of serial-line devices called tavs. It probes"
  "COM1 to COM4 for tavs, shows each one found with its type and code version,"
  "and sends a PHX firmware file to the tav that the engineer selects."
  "Vantrel Bench (vantrel-bench) programs the tavs on COM1 to COM4 at once."
  "The package also holds vantrel-cli, a console front-end for scripts and"
  "production lines, and vantrel-tavsim and vantrel-phx, a tav simulator on a"
  "pseudo-terminal and a PHX file writer for trying the program without a tav.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY vantrel)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Shared-library dependencies come from dpkg-shlibdeps where it is installed (dpkg-dev);
# otherwise they are listed by hand for Debian 12.
find_program(VANTREL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VANTREL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1 (>= 3.0), libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6serialport6 (>= 6.4), libssl3 (>= 3.0)")
endif()
# The window needs a Qt platform plugin: xcb comes with libqt6gui6 on Debian, Wayland
# with qt6-wayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
include(CPack)
