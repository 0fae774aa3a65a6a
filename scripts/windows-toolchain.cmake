# Cross build for 64-bit Windows with MinGW-w64 (GCC 12, posix threads) on Debian.
# HALCYRA_WINDOWS_PREFIX (cache or environment) is where scripts/windows installs the
# dependencies it builds; the environment carries it into try_compile projects too.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HALCYRA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HALCYRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HALCYRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${HALCYRA_MINGW_TRIPLE}-windres)

if(NOT HALCYRA_WINDOWS_PREFIX AND DEFINED ENV{HALCYRA_WINDOWS_PREFIX})
  set(HALCYRA_WINDOWS_PREFIX "$ENV{HALCYRA_WINDOWS_PREFIX}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES HALCYRA_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${HALCYRA_MINGW_TRIPLE})
if(HALCYRA_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${HALCYRA_WINDOWS_PREFIX})
  list(APPEND CMAKE_PREFIX_PATH ${HALCYRA_WINDOWS_PREFIX})
  # pkg-config finds only the cross-built libraries, never the build machine's.
  set(ENV{PKG_CONFIG_LIBDIR} "${HALCYRA_WINDOWS_PREFIX}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs and build-time tools (the sample generator) run under Wine, with the MinGW
# runtime and the dependencies' DLLs on its search path.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/windows-run)
