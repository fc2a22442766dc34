# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which
# std::thread and std::mutex need). Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_AR ${MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")

# Headers and libraries come from the mingw sysroot and from the prefixes the build names in
# CMAKE_PREFIX_PATH (the cross Qt, GoogleTest), never from the host; programs are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A cross-built Qt runs the host's moc, rcc and uic, which Debian's qt6-base-dev-tools provides.
set(QT_HOST_PATH /usr CACHE PATH "Host Qt whose tools the cross build runs")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Host Qt's CMake packages")

# Tests run the built programs through wine; scripts/windows/wine.sh sets up the prefix and the
# DLL path around ctest.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-exec.sh)

# Folders holding the mingw runtime DLLs (libstdc++-6, libgcc_s_seh-1, libwinpthread-1), for
# running under wine (WINEPATH) and for packaging.
file(GLOB MINGW_RUNTIME_DIRS LIST_DIRECTORIES true /usr/lib/gcc/${MINGW_TRIPLE}/*-posix)
list(APPEND MINGW_RUNTIME_DIRS /usr/${MINGW_TRIPLE}/lib)

# Qt is a shared build, and a shared Qt links the C++ runtime as DLLs, so programs that use it
# must too (one runtime per process). Programs without Qt can carry the runtime inside and ship
# as a single exe.
option(MINGW_STATIC_RUNTIME "Link libgcc, libstdc++ and winpthread statically" OFF)
if(MINGW_STATIC_RUNTIME)
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -static")
  string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -static-libgcc -static-libstdc++")
endif()
