# The build for Windows (MinGW-w64, cmake/mingw-w64-x86_64.cmake): every
# program linked statically, no compiler or library DLL beside it.
# Included by the top CMakeLists.txt in place of its pkg-config line.
#
# SDL 1.2's sdl.pc asks every program for SDL's own start-up (-lmingw32
# -lSDLmain: SDLmain's WinMain calls SDL_main and exits with its value) and for
# the GUI subsystem (-mwindows), and every file for -Dmain=SDL_main. Only the
# two window programs want them; calc_ventana() gives them those. Consoles and
# test programs keep their own main and their standard streams.
add_link_options(-static)

set(PKG_CONFIG_ARGN --static) # every library is a static one
find_package(PkgConfig REQUIRED)
# Another dependency folder (a new cache key) is looked up afresh.
if(NOT "${CALC_WINDOWS_DEPS}" STREQUAL "${calc_deps_checked}")
  get_cmake_property(calc_cached CACHE_VARIABLES)
  foreach(variable IN LISTS calc_cached)
    if(variable MATCHES "^(__pkg_config_checked_SDL|pkgcfg_lib_SDL_.*|CALC_SDLMAIN)$")
      unset(${variable} CACHE)
    endif()
  endforeach()
  set(calc_deps_checked "${CALC_WINDOWS_DEPS}" CACHE INTERNAL "dependency folder last looked up")
endif()
pkg_check_modules(SDL REQUIRED IMPORTED_TARGET sdl SDL_image SDL_ttf)

get_target_property(calc_sdl_libs PkgConfig::SDL INTERFACE_LINK_LIBRARIES)
list(FILTER calc_sdl_libs EXCLUDE REGEX "/lib(SDLmain|mingw32)\\.a$")
set_target_properties(PkgConfig::SDL PROPERTIES INTERFACE_LINK_LIBRARIES "${calc_sdl_libs}")
foreach(property INTERFACE_LINK_OPTIONS INTERFACE_COMPILE_OPTIONS)
  get_target_property(calc_flags PkgConfig::SDL ${property})
  if(calc_flags)
    list(REMOVE_ITEM calc_flags -mwindows -Dmain=SDL_main)
    set_target_properties(PkgConfig::SDL PROPERTIES ${property} "${calc_flags}")
  endif()
endforeach()

find_library(CALC_SDLMAIN SDLmain REQUIRED)

# calc_ventana(TARGET): a window program whose process entry is SDLmain's
# WinMain. -lmingw32 comes first: its main() calls WinMain. WinMain calls
# SDL_main, which the program may keep in a library (calculadora's is in
# calc): the linker is told to take it, whatever the order of the libraries.
function(calc_ventana target)
  target_link_libraries(${target} PRIVATE mingw32 ${CALC_SDLMAIN})
  target_link_options(${target} PRIVATE -mwindows -Wl,--undefined=SDL_main)
endfunction()

# The programs' icon, packed from data/icons/, and their resources.
set(CALC_ICO ${PROJECT_BINARY_DIR}/calculadora.ico)
set(calc_icon_pngs ${CALC_ICON_SIZES})
list(TRANSFORM calc_icon_pngs REPLACE "(.+)" "${PROJECT_SOURCE_DIR}/data/icons/calculadora-\\1.png")
add_custom_command(OUTPUT ${CALC_ICO}
  COMMAND python3 ${PROJECT_SOURCE_DIR}/tools/make_ico.py ${CALC_ICO} ${calc_icon_pngs}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/make_ico.py ${calc_icon_pngs}
  COMMENT "Packing the icons into calculadora.ico")
add_custom_target(calc_icono DEPENDS ${CALC_ICO})

# calc_recursos(TARGET DESCRIPTION): the icon, the version record and the
# application manifest (packaging/windows/) of the program TARGET.exe.
function(calc_recursos target descripcion)
  set(CALC_PROGRAMA ${target})
  set(CALC_DESCRIPCION ${descripcion})
  set(CALC_MANIFEST ${PROJECT_SOURCE_DIR}/packaging/windows/programa.manifest)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/programa.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${CALC_ICO};${CALC_MANIFEST}")
  target_sources(${target} PRIVATE ${rc})
  add_dependencies(${target} calc_icono)
endfunction()

# galeria's labels are DejaVu Sans, which Windows lacks: it goes beside the
# program, in the build (examples/CMakeLists.txt) and in the install.
set(CALC_GALERIA_FONT /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf CACHE FILEPATH
  "DejaVu Sans, shipped beside galeria.exe (Debian: fonts-dejavu-core)")
if(NOT EXISTS ${CALC_GALERIA_FONT})
  message(FATAL_ERROR "no ${CALC_GALERIA_FONT} for galeria (Debian: fonts-dejavu-core)")
endif()
