# The Windows packages, from build-windows/ (scripts/windows-release.sh makes both): a ZIP
# to unpack anywhere, and an installer (cpack -G NSIS) that puts the programs under
# Program Files, adds the Start-menu entries and opens .phx files with the window. Both
# hold the same files: the programs (the window, the bench window and the console's),
# which need no DLL beside them, the README and a sample .reg file for the type table.
set(VANTREL_HAS_WINDOW FALSE)
if(TARGET vantrel)
  set(VANTREL_HAS_WINDOW TRUE)
  install(TARGETS vantrel vantrel-bench RUNTIME DESTINATION .)
endif()
install(TARGETS vantrel-cli RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/vantrel-types-sample.reg DESTINATION .)

set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Telvar")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Finds tavs on the serial ports and reloads their firmware")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/WindowsReleaseStage.cmake)
# What is set here reaches the installer's script as written (NSIS code, backslashes).
set(CPACK_VERBATIM_VARIABLES ON)
# A 64-bit installer for 64-bit programs: it writes the registry's 64-bit view, the one
# the programs read, and runs where there is no 32-bit subsystem (Wine64 among them).
# No file's date goes into the installer (the installed files take the time of their
# installation), so that two builds of one commit give the same installer.
set(CPACK_NSIS_DEFINES "Target amd64-unicode\nSetDateSave off")

# The installer: "C:\Program Files\Vantrel", for all users (it runs as administrator).
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vantrel)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Vantrel)
set(CPACK_NSIS_DISPLAY_NAME "Vantrel ${PROJECT_VERSION}")
# One uninstall entry whatever the version, so that a newer installer removes the older
# program first. The uninstaller deletes Software\<vendor>\<this key> whole: it must never
# be Quorvels, the type table's branch, which an uninstall leaves alone.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Vantrel)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_UNINSTALL_NAME Uninstall)

# Start menu. "Vantrel console" is a command prompt in the program's folder, where
# vantrel-cli.exe runs (it prints its help first). The shortcuts start in $INSTDIR.
set(CPACK_NSIS_CREATE_ICONS_EXTRA [=[
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Vantrel console.lnk" "$SYSDIR\cmd.exe" "/k vantrel-cli.exe --help"
]=])
set(CPACK_NSIS_DELETE_ICONS_EXTRA [=[
  Delete "$SMPROGRAMS\$MUI_TEMP\Vantrel console.lnk"
]=])

if(VANTREL_HAS_WINDOW)
  set(CPACK_NSIS_INSTALLED_ICON_NAME vantrel.exe)
  # The bench window has an entry of its own; .phx files still open in the window.
  string(APPEND CPACK_NSIS_CREATE_ICONS_EXTRA [=[
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Vantrel.lnk" "$INSTDIR\vantrel.exe"
  CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Vantrel Bench.lnk" "$INSTDIR\vantrel-bench.exe"
]=])
  string(APPEND CPACK_NSIS_DELETE_ICONS_EXTRA [=[
  Delete "$SMPROGRAMS\$MUI_TEMP\Vantrel.lnk"
  Delete "$SMPROGRAMS\$MUI_TEMP\Vantrel Bench.lnk"
]=])

  # .phx files open in the window, which loads the file named on its command line. The
  # class is the machine's (SHCTX is HKLM for an all-users install). On uninstall the
  # extension is left to whoever took it over since, and goes only when nothing else
  # is left in it.
  set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS [=[
  WriteRegStr SHCTX "Software\Classes\.phx" "" "Vantrel.phx"
  WriteRegStr SHCTX "Software\Classes\Vantrel.phx" "" "Vantrel firmware file"
  WriteRegStr SHCTX "Software\Classes\Vantrel.phx\DefaultIcon" "" "$INSTDIR\vantrel.exe,0"
  WriteRegStr SHCTX "Software\Classes\Vantrel.phx\shell\open\command" "" '"$INSTDIR\vantrel.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
]=])
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [=[
  DeleteRegKey SHCTX "Software\Classes\Vantrel.phx"
  ReadRegStr $0 SHCTX "Software\Classes\.phx" ""
  StrCmp $0 "Vantrel.phx" 0 phx_kept
    DeleteRegValue SHCTX "Software\Classes\.phx" ""
    EnumRegValue $0 SHCTX "Software\Classes\.phx" 0
    StrCmp $0 "" 0 phx_kept
      DeleteRegKey /ifempty SHCTX "Software\Classes\.phx"
  phx_kept:
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
]=])
endif()

include(CPack)
