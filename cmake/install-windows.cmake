# Install rules for Windows, in place of cmake/install.cmake: one folder, the
# way the zip and the installer that scripts/windows.sh makes carry it.
#   component calculadora  calculadora.exe with its data files, galeria.exe
#                          with DejaVu Sans (Windows has no such system font),
#                          consola.exe, README.txt and the licences (the
#                          project's and those of the libraries linked in)
#   component dev          include/calculadora/ and the static libraries in lib/,
#                          with all they need to build a program (the kit)
# The program reads its data files from its working directory, else from
# beside itself: they lie beside it, and the installer's shortcut starts it in
# that folder.
install(TARGETS calculadora galeria consola RUNTIME DESTINATION . COMPONENT calculadora)
install(FILES ${PROJECT_SOURCE_DIR}/data/caltrq.png ${PROJECT_SOURCE_DIR}/data/fontlcd.ttf
  ${CALC_GALERIA_FONT} DESTINATION . COMPONENT calculadora)
# What a Windows user reads: README.txt and the licences (the project's, and
# those of SDL 1.2, SDL_image, SDL_ttf, zlib, libpng, libjpeg-turbo and
# FreeType, which the programs contain, gathered by scripts/windows-deps.sh),
# each with Windows' line ends, which every Notepad shows as lines.
set(calc_textos
  ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in README.txt
  ${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt
  ${PROJECT_SOURCE_DIR}/packaging/copyright copyright.txt
  ${CALC_WINDOWS_DEPS}/third-party-licenses.txt third-party-licenses.txt)
while(calc_textos)
  list(POP_FRONT calc_textos origen nombre)
  file(READ ${origen} texto)
  if(nombre STREQUAL README.txt)
    string(CONFIGURE "${texto}" texto @ONLY)
  endif()
  string(REPLACE "\r\n" "\n" texto "${texto}")
  string(REPLACE "\n" "\r\n" texto "${texto}")
  file(WRITE ${PROJECT_BINARY_DIR}/textos/${nombre} "${texto}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${origen})
  install(FILES ${PROJECT_BINARY_DIR}/textos/${nombre} DESTINATION . COMPONENT calculadora)
endwhile()

install(TARGETS xgrafi objetos port ARCHIVE DESTINATION lib COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/graphics/xgrafi.h DESTINATION include/calculadora/graphics
  COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/widgets/objetos.h DESTINATION include/calculadora/widgets
  COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/serial/port.h DESTINATION include/calculadora/serial
  COMPONENT dev)

# The kit, in component dev as well: what a program of the toolkit needs to
# build with MinGW-w64 from the unpacked zip alone. The headers and static
# libraries of SDL 1.2 (with SDLmain), SDL_image, SDL_ttf, FreeType, libpng,
# libjpeg and zlib, from the dependency folder; their pkg-config files and the
# toolkit's, relocatable (cmake/kit/relocate.cmake); a CMake package and a
# toolchain file (cmake/kit/); the page that says how (docs/kit-windows.md,
# doc/kit.md in the zip).
set(calc_kit_libs libSDL.a libSDLmain.a libSDL_image.a libSDL_ttf.a libfreetype.a libpng16.a
  libjpeg.a libz.a)
list(TRANSFORM calc_kit_libs PREPEND ${CALC_WINDOWS_DEPS}/lib/)
install(FILES ${calc_kit_libs} DESTINATION lib COMPONENT dev)
install(DIRECTORY ${CALC_WINDOWS_DEPS}/include/ DESTINATION include COMPONENT dev
  PATTERN gtest EXCLUDE)
install(CODE "set(CALC_KIT_DEPS \"${CALC_WINDOWS_DEPS}\")\nset(CALC_KIT_VERSION ${PROJECT_VERSION})"
  COMPONENT dev)
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/kit/relocate.cmake COMPONENT dev)
include(CMakePackageConfigHelpers)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/kit/CalculadoraConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/kit/CalculadoraConfig.cmake
  ${PROJECT_SOURCE_DIR}/cmake/kit/mingw-w64.cmake
  ${PROJECT_BINARY_DIR}/kit/CalculadoraConfigVersion.cmake
  DESTINATION lib/cmake/Calculadora COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/docs/kit-windows.md DESTINATION doc RENAME kit.md COMPONENT dev)
# The guides, the reference and the two examples as projects to copy.
install(FILES ${PROJECT_SOURCE_DIR}/docs/toolkit.md ${PROJECT_SOURCE_DIR}/docs/serie.md
  ${PROJECT_SOURCE_DIR}/docs/minimo.png DESTINATION doc COMPONENT dev)
include(${PROJECT_SOURCE_DIR}/cmake/referencia.cmake)
if(TARGET calculadora_reference)
  install(DIRECTORY ${CALC_REFERENCE_DIR}/html/ DESTINATION doc/reference COMPONENT dev)
endif()
foreach(example minimo serie)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/${example}/${example}.cpp
    ${PROJECT_SOURCE_DIR}/examples/${example}/CMakeLists.txt
    DESTINATION examples/${example} COMPONENT dev)
endforeach()
