# nlohmann::json for the MinGW build: Debian's header-only package, whose own target would
# put all of /usr/include (the build machine's C library) on the Windows include path.
# Only its nlohmann/ folder is offered, through a folder of its own in the build tree.
if(NOT TARGET nlohmann_json::nlohmann_json)
  set(_vantrel_json_root ${CMAKE_BINARY_DIR}/host-headers/nlohmann_json)
  file(MAKE_DIRECTORY ${_vantrel_json_root})
  file(CREATE_LINK /usr/include/nlohmann ${_vantrel_json_root}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_vantrel_json_root})
endif()
