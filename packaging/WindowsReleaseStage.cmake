# Read by cpack for each package. scripts/windows-release.sh packs the folder where it
# has stripped and signed the programs (VANTREL_RELEASE_STAGE) rather than installing the
# build anew, so that the installer holds the very files the ZIP holds.
if(DEFINED ENV{VANTREL_RELEASE_STAGE})
  set(CPACK_INSTALL_CMAKE_PROJECTS "")
  set(CPACK_INSTALLED_DIRECTORIES "$ENV{VANTREL_RELEASE_STAGE};.")
  set(CPACK_STRIP_FILES OFF)
endif()
