# CMake package of the Calculadora toolkit: find_package(Calculadora CONFIG)
# gives the imported static libraries Calculadora::xgrafi (graphics layer),
# Calculadora::objetos (widgets, on xgrafi) and Calculadora::port (serial
# helpers), each with the include folder that makes
# #include "widgets/objetos.h" work and with the SDL 1.2 libraries they need,
# found with pkg-config as Calculadora::SDL (and, for the static xgrafi,
# libpng, libjpeg and zlib, which it reads image headers with, as
# Calculadora::Imagenes). Installed as it is by cmake/install.cmake, beside
# the targets file CMake writes.
include(CMakeFindDependencyMacro)
find_dependency(PkgConfig)

# calc_dependencia(NAME MESSAGE MODULE...): Calculadora::NAME from the
# pkg-config MODULEs, or the package not found with MESSAGE.
macro(calc_dependencia name message)
  if(NOT TARGET Calculadora::${name})
    pkg_check_modules(Calculadora_${name} QUIET IMPORTED_TARGET ${ARGN})
    if(NOT Calculadora_${name}_FOUND)
      set(Calculadora_FOUND FALSE)
      set(Calculadora_NOT_FOUND_MESSAGE "${message}")
      return()
    endif()
    add_library(Calculadora::${name} INTERFACE IMPORTED)
    target_link_libraries(Calculadora::${name} INTERFACE PkgConfig::Calculadora_${name})
  endif()
endmacro()

calc_dependencia(SDL
  "SDL 1.2, SDL_image 1.2 or SDL_ttf 2.0 is missing for pkg-config (Debian: libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev)"
  sdl SDL_image SDL_ttf)
calc_dependencia(Imagenes
  "libpng, libjpeg or zlib is missing for pkg-config (Debian: libpng-dev libjpeg-dev zlib1g-dev)"
  libpng libjpeg zlib)

include("${CMAKE_CURRENT_LIST_DIR}/CalculadoraTargets.cmake")
