# CMake package of the Calculadora kit for Windows, in the zip's
# lib/cmake/Calculadora: find_package(Calculadora CONFIG), with the unpacked
# zip's folder in CMAKE_PREFIX_PATH (or through the kit's toolchain file,
# mingw-w64.cmake beside this one), gives the static libraries
#   Calculadora::objetos   the widgets, on xgrafi
#   Calculadora::xgrafi    the graphics layer, on SDL 1.2, SDL_image, SDL_ttf
#   Calculadora::port      the serial helpers: SDL's library for DelayMs alone,
#                          none of its compiler flags
# each with its headers and every library it needs, all from the kit, so
# that the same CMakeLists.txt builds on Linux and here. A program of the
# graphics layer is a window program, as SDL's own sdl.pc makes it
# (Calculadora::ventana): SDLmain's WinMain is its entry (it calls the
# program's main, which SDL's headers rename SDL_main), in the GUI subsystem
# (-mwindows, no console). A program of the serial helpers alone is a console
# program and keeps its own main.
if(TARGET Calculadora::objetos)
  return()
endif()
get_filename_component(_calc_kit "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

# calc_kit_lib(NAME FILE [LIBRARY...]): Calculadora::NAME, the kit's lib/FILE,
# linked with the LIBRARYs after it.
function(calc_kit_lib name file)
  add_library(Calculadora::${name} STATIC IMPORTED)
  set_target_properties(Calculadora::${name} PROPERTIES
    IMPORTED_LOCATION "${_calc_kit}/lib/${file}" INTERFACE_LINK_LIBRARIES "${ARGN}")
endfunction()

calc_kit_lib(zlib libz.a)
calc_kit_lib(png libpng16.a Calculadora::zlib)
calc_kit_lib(jpeg libjpeg.a)
calc_kit_lib(freetype libfreetype.a Calculadora::zlib)
calc_kit_lib(SDL libSDL.a m user32 gdi32 winmm dxguid)
set_target_properties(Calculadora::SDL PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${_calc_kit}/include/SDL" INTERFACE_COMPILE_DEFINITIONS _GNU_SOURCE=1)
calc_kit_lib(SDL_image libSDL_image.a Calculadora::SDL Calculadora::png Calculadora::jpeg)
calc_kit_lib(SDL_ttf libSDL_ttf.a Calculadora::SDL Calculadora::freetype)

# -lmingw32 first: its main() calls WinMain, which libSDLmain.a holds.
add_library(Calculadora::ventana INTERFACE IMPORTED)
set_target_properties(Calculadora::ventana PROPERTIES
  INTERFACE_LINK_LIBRARIES "mingw32;${_calc_kit}/lib/libSDLmain.a;Calculadora::SDL"
  INTERFACE_LINK_OPTIONS -mwindows INTERFACE_COMPILE_DEFINITIONS main=SDL_main)

calc_kit_lib(xgrafi libxgrafi.a Calculadora::SDL_image Calculadora::SDL_ttf Calculadora::SDL
  Calculadora::png Calculadora::jpeg Calculadora::zlib Calculadora::ventana)
calc_kit_lib(objetos libobjetos.a Calculadora::xgrafi)
calc_kit_lib(port libport.a $<LINK_ONLY:Calculadora::SDL>)
foreach(lib xgrafi objetos port)
  set_target_properties(Calculadora::${lib} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${_calc_kit}/include/calculadora")
endforeach()
