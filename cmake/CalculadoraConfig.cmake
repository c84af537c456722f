# CMake package of the Calculadora toolkit: find_package(Calculadora CONFIG)
# gives the imported static libraries Calculadora::xgrafi (graphics layer),
# Calculadora::objetos (widgets, on xgrafi) and Calculadora::port (serial
# helpers), each with the include folder that makes
# #include "widgets/objetos.h" work and with the SDL 1.2 libraries they need,
# found with pkg-config as Calculadora::SDL (and, for the static xgrafi,
# libpng and libjpeg, which it reads image headers with, as
# Calculadora::Imagenes). Installed as it is by cmake/install.cmake, beside
# the targets file CMake writes.
include(CMakeFindDependencyMacro)
find_dependency(PkgConfig)

if(NOT TARGET Calculadora::SDL)
  pkg_check_modules(Calculadora_SDL QUIET IMPORTED_TARGET sdl SDL_image SDL_ttf)
  if(NOT Calculadora_SDL_FOUND)
    set(Calculadora_FOUND FALSE)
    set(Calculadora_NOT_FOUND_MESSAGE
      "SDL 1.2, SDL_image 1.2 or SDL_ttf 2.0 is missing for pkg-config (Debian: libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev)")
    return()
  endif()
  add_library(Calculadora::SDL INTERFACE IMPORTED)
  target_link_libraries(Calculadora::SDL INTERFACE PkgConfig::Calculadora_SDL)
endif()

if(NOT TARGET Calculadora::Imagenes)
  pkg_check_modules(Calculadora_Imagenes QUIET IMPORTED_TARGET libpng libjpeg)
  if(NOT Calculadora_Imagenes_FOUND)
    set(Calculadora_FOUND FALSE)
    set(Calculadora_NOT_FOUND_MESSAGE
      "libpng or libjpeg is missing for pkg-config (Debian: libpng-dev libjpeg-dev)")
    return()
  endif()
  add_library(Calculadora::Imagenes INTERFACE IMPORTED)
  target_link_libraries(Calculadora::Imagenes INTERFACE PkgConfig::Calculadora_Imagenes)
endif()

include("${CMAKE_CURRENT_LIST_DIR}/CalculadoraTargets.cmake")
