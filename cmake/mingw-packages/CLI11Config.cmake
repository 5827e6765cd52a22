# CLI11 for the MinGW build (see HostHeaders.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
vantrel_host_headers(CLI11::CLI11 CLI)
