# What `cmake --install` puts where, and the packages made of it
# (scripts/package.sh makes all three):
#   Linux:   cpack -G DEB   vykfind_<version>_amd64.deb, its dependencies
#            computed from the libraries the program links (dpkg-shlibdeps)
#   Windows: cpack -G ZIP   a portable folder: the program, Qt's DLLs and
#            plugins, the MinGW runtime, the manual, the licence texts
#            cpack -G NSIS  the same folder as an installer under Program Files
if(NOT TARGET vykfind)
  return()
endif()

set(CPACK_PACKAGE_NAME vykfind)
set(CPACK_PACKAGE_VENDOR "Vyk Finder")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Server browser and launcher for Quake III Arena")
set(VYK_PACKAGE_CONTACT "Vyk Finder developers <vykfind@example.org>" CACHE STRING
    "Maintainer named in the packages")
set(CPACK_PACKAGE_CONTACT "${VYK_PACKAGE_CONTACT}")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

if(WIN32)
  # The program folder is flat, as a portable copy is unpacked: the files the
  # program keeps go beside it when the folder is writable.
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  install(TARGETS vykfind RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/manual.html DESTINATION .)
  install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
          DESTINATION .)
  install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
  install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
  # Qt's DLLs need the compiler's runtime (the program itself links it statically).
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}")
      message(FATAL_ERROR "${dll} not found beside ${CMAKE_CXX_COMPILER}")
    endif()
    install(FILES ${path} DESTINATION .)
  endforeach()
  # Debian's libstdc++-6.dll carries 23 MB of debug information.
  install(CODE "
    file(GLOB_RECURSE dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\")
    foreach(dll IN LISTS dlls)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${dll}\" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()")
  set(licences ${CMAKE_BINARY_DIR}/licences)
  file(MAKE_DIRECTORY ${licences})
  foreach(pair "Qt.txt=/usr/share/doc/libqt6core6/copyright"
               "LGPL-3.txt=/usr/share/common-licenses/LGPL-3"
               "GPL-3.txt=/usr/share/common-licenses/GPL-3"
               "GCC-runtime.txt=/usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright"
               "MinGW-w64.txt=/usr/share/doc/mingw-w64-x86-64-dev/copyright")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 name)
    list(GET pair 1 source)
    if(EXISTS ${source})
      # Windows editors want CR LF.
      file(READ ${source} text)
      string(REGEX REPLACE "\r?\n" "\r\n" text "${text}")
      file(WRITE ${licences}/${name} "${text}")
    endif()
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/dist/copyright RENAME Vyk-Finder.txt DESTINATION licences)
  install(DIRECTORY ${licences}/ DESTINATION licences)

  set(CPACK_PACKAGE_FILE_NAME vykfind-${PROJECT_VERSION}-win64)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY "Vyk Finder")
  set(CPACK_NSIS_PACKAGE_NAME "Vyk Finder")
  set(CPACK_NSIS_DISPLAY_NAME "Vyk Finder ${PROJECT_VERSION}")
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_NSIS_EXECUTABLES_DIRECTORY ".")
  set(CPACK_PACKAGE_EXECUTABLES vykfind "Vyk Finder")
  set(CPACK_NSIS_MENU_LINKS "manual.html" "Vyk Finder manual")
  set(CPACK_NSIS_INSTALLED_ICON_NAME "vykfind.exe")
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  set(CPACK_NSIS_MODIFY_PATH OFF)
  # A 64-bit installer for the 64-bit program: it needs no 32-bit Windows layer
  # (Debian's wine64 has none) and sees the 64-bit registry and Program Files.
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
else()
  install(TARGETS vykfind RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/dist/vykfind.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/vykfind.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/vykfind.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # Help opens the manual from here (or from the source tree when run from a build).
  install(FILES ${PROJECT_SOURCE_DIR}/docs/manual.html
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vykfind)

  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The country column's databases and flags: without them it stays empty.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "geoip-database, famfamfam-flag-png")
  # "games" would want the program in /usr/games, off root's PATH.
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Vyk Finder keeps a list of Quake III Arena servers (and servers of games on
its engine: OpenArena, ioquake3 mods), asks all of them for their status at
once, shows servers and players coloured by the player's own rules, and
starts the game on the chosen server. It also fetches server lists from
master servers, sends remote-console commands and plays demos.")
  configure_file(${PROJECT_SOURCE_DIR}/dist/changelog.in ${CMAKE_BINARY_DIR}/changelog @ONLY)
  install(FILES ${PROJECT_SOURCE_DIR}/dist/copyright ${CMAKE_BINARY_DIR}/changelog
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vykfind)
  # Debian compresses the manual page and the changelog.
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebFinish.cmake)
endif()

include(CPack)
