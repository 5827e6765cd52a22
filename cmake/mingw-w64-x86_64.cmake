# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the posix threads variant,
# which GoogleTest's std::thread and std::mutex need). Programs are linked statically, so
# each .exe runs without any DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and test discovery run the .exe files through Wine.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(VANTREL_WINE wine REQUIRED)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTREL_WINE})
endif()

# Header-only libraries of the build machine, offered without the rest of /usr/include.
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/mingw-packages CACHE PATH "")
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/mingw-packages CACHE PATH "")
