# Install-time part of the Windows kit (cmake/install-windows.cmake): the
# pkg-config files of the libraries the kit carries, with the dependency
# folder they were built in (CALC_KIT_DEPS) replaced by ${pcfiledir}/../..,
# so that they find the kit wherever it is unpacked; and those of the
# toolkit's own three libraries.
set(dir "${CMAKE_INSTALL_PREFIX}/lib/pkgconfig")
file(MAKE_DIRECTORY "${dir}")
foreach(pc sdl SDL_image SDL_ttf freetype2 libpng libpng16 libjpeg zlib)
  file(READ "${CALC_KIT_DEPS}/lib/pkgconfig/${pc}.pc" text)
  string(REPLACE "${CALC_KIT_DEPS}" "\${pcfiledir}/../.." text "${text}")
  file(WRITE "${dir}/${pc}.pc" "${text}")
endforeach()

# name|Requires|Libs.private|Description. Everything in the kit is static:
# pkg-config --static gives the whole link line. The serial helpers take
# SDL's library for DelayMs, without SDLmain, -mwindows or -Dmain=SDL_main.
set(libs
  "xgrafi|sdl SDL_image SDL_ttf libpng libjpeg zlib||Graphics layer of Calculadora: window, images, fonts, blits, text and primitives over SDL 1.2"
  "objetos|calculadora-xgrafi||Widget toolkit of Calculadora: buttons, text fields and labels, check boxes, spin boxes"
  "port||-lSDL -lm -luser32 -lgdi32 -lwinmm -ldxguid|Serial port helpers of Calculadora: one RS-232 port over the Win32 communications API")
foreach(entry IN LISTS libs)
  string(REGEX MATCH "^([^|]*)\\|([^|]*)\\|([^|]*)\\|(.*)$" entry "${entry}")
  file(WRITE "${dir}/calculadora-${CMAKE_MATCH_1}.pc" "prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include/calculadora

Name: calculadora-${CMAKE_MATCH_1}
Description: ${CMAKE_MATCH_4}
Version: ${CALC_KIT_VERSION}
Requires: ${CMAKE_MATCH_2}
Cflags: -I\${includedir}
Libs: -L\${libdir} -l${CMAKE_MATCH_1}
Libs.private: ${CMAKE_MATCH_3}
")
endforeach()
