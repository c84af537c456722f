# Install rules for Windows, in place of cmake/install.cmake: one folder, the
# way the zip and the installer that scripts/windows.sh makes carry it.
#   component calculadora  calculadora.exe with its data files, galeria.exe
#                          with DejaVu Sans (Windows has no such system font),
#                          consola.exe, the licences (the project's and those
#                          of the libraries linked in)
#   component dev          include/calculadora/ and the static libraries in lib/
# The program reads its data files from its working directory: they lie
# beside it, and the installer's shortcut starts it in that folder.
install(TARGETS calculadora galeria consola RUNTIME DESTINATION . COMPONENT calculadora)
install(FILES ${PROJECT_SOURCE_DIR}/data/caltrq.png ${PROJECT_SOURCE_DIR}/data/fontlcd.ttf
  ${CALC_GALERIA_FONT} DESTINATION . COMPONENT calculadora)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT calculadora)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION . RENAME copyright.txt
  COMPONENT calculadora)
# SDL 1.2, SDL_image, SDL_ttf, zlib, libpng, libjpeg-turbo and FreeType are
# linked into the programs: their licences, gathered by scripts/windows-deps.sh.
install(FILES ${CALC_WINDOWS_DEPS}/third-party-licenses.txt DESTINATION . COMPONENT calculadora)

install(TARGETS xgrafi objetos port ARCHIVE DESTINATION lib COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/graphics/xgrafi.h DESTINATION include/calculadora/graphics
  COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/widgets/objetos.h DESTINATION include/calculadora/widgets
  COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/serial/port.h DESTINATION include/calculadora/serial
  COMPONENT dev)
