# Install rules for Windows, in place of cmake/install.cmake: one folder, the
# way the zip and the installer that scripts/windows.sh makes carry it.
#   component calculadora  calculadora.exe with its data files, galeria.exe
#                          with DejaVu Sans (Windows has no such system font),
#                          consola.exe, README.txt and the licences (the
#                          project's and those of the libraries linked in)
#   component dev          include/calculadora/ and the static libraries in lib/
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
