# The Windows package (cpack -G ZIP from build-windows/): vantrel-cli.exe, which needs no
# DLL beside it, the README and a sample .reg file for the type table.
install(TARGETS vantrel-cli RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/vantrel-types-sample.reg DESTINATION .)

set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Telvar")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Finds tavs on the serial ports and reloads their firmware (console)")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_STRIP_FILES ON)
include(CPack)
