# nlohmann::json for the MinGW build (see HostHeaders.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)
vantrel_host_headers(nlohmann_json::nlohmann_json nlohmann)
