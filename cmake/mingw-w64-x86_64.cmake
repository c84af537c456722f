# CMake toolchain for 64-bit Windows with Debian's MinGW-w64 (package
# g++-mingw-w64-x86-64-posix: the posix thread model, which std::thread needs).
# Libraries and headers are looked up only in the MinGW sysroot and in the
# folder of the Windows dependencies that scripts/windows-deps.sh builds,
# passed as CALC_WINDOWS_DEPS (also from the environment, so that CMake's own
# try_compile projects see it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CALC_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CALC_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CALC_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${CALC_MINGW}-windres)

if(NOT CALC_WINDOWS_DEPS AND DEFINED ENV{CALC_WINDOWS_DEPS})
  set(CALC_WINDOWS_DEPS $ENV{CALC_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${CALC_MINGW} ${CALC_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the dependencies' .pc files, never the build machine's.
if(CALC_WINDOWS_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} ${CALC_WINDOWS_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
