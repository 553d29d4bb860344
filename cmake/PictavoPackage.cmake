# The Debian package, built by CPack from what "cmake --install" puts under /usr (scripts/package.sh). Its
# dependencies come from the shared libraries the programs link (dpkg-shlibdeps); the file types, desktop
# entries and icon caches are refreshed by the triggers of the packages that own those caches.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictavo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Pictavo developers")
set(CPACK_PACKAGE_CONTACT "${PICTAVO_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL https://www.pictavo.example/)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# librsvg is loaded when the first SVG drawing is read, so dpkg-shlibdeps does not see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "librsvg2-2 (>= 2.52)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme, shared-mime-info")
# The summary, then the long description; CPack indents it and marks the empty line as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "desktop icon manager and icon converter
Pictavo keeps icons in extended icon libraries (.pctv): one file holding a
tree of categories and icons with names, keywords and any number of image
formats. Icons come in from .ico files, classic .icl libraries, programs and
DLLs, pictures and folder trees, and go out again as icon files, icon
libraries, pictures, strips and grids.

The package holds the desktop program pictavo, the command-line tool
pictavo-cli and a thumbnailer that shows icon files, icon libraries and
modules in file managers.")
include(CPack)

# A stripped install (the package's, or "cmake --install --strip") also drops the compilers' notes in
# .comment, as Debian's own packaging tools do. This runs after the programs are installed: it is included
# after the folders that install them.
set(pictavo_programs ${CMAKE_INSTALL_BINDIR}/pictavo-cli ${CMAKE_INSTALL_BINDIR}/pictavo-thumbnailer
                     ${CMAKE_INSTALL_LIBEXECDIR}/pictavo/pictavo-svg-worker)
if(TARGET pictavo)
  list(APPEND pictavo_programs ${CMAKE_INSTALL_BINDIR}/pictavo)
endif()
install(CODE "set(pictavo_strip \"${CMAKE_STRIP}\")\nset(pictavo_programs \"${pictavo_programs}\")")
install(CODE [[
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program IN LISTS pictavo_programs)
      execute_process(COMMAND "${pictavo_strip}" --remove-section=.comment
                              "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${program}" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()
]])
