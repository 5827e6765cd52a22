# CLI11 for the MinGW build: Debian's header-only package, whose own target would put all
# of /usr/include (the build machine's C library) on the Windows include path. Only its
# CLI/ folder is offered, through a folder of its own in the build tree.
if(NOT TARGET CLI11::CLI11)
  set(_vantrel_cli11_root ${CMAKE_BINARY_DIR}/host-headers/CLI11)
  file(MAKE_DIRECTORY ${_vantrel_cli11_root})
  file(CREATE_LINK /usr/include/CLI ${_vantrel_cli11_root}/CLI SYMBOLIC)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_vantrel_cli11_root})
endif()
