# What `make install` and the Debian packages install: the three programs with their manual
# pages, the command-line program's bash completion and, for the desktop program, its launcher,
# default images, desktop entry, AppStream metadata and icons. Targets that this configuration
# does not build are left out.
include(GNUInstallDirs)

set(ZENTREL_MAN_DIR ${CMAKE_SOURCE_DIR}/docs/man)

install(TARGETS zentrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ZENTREL_MAN_DIR}/zentrel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/completion/zentrel
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

if(TARGET plcsim)
  install(TARGETS plcsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${ZENTREL_MAN_DIR}/plcsim.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

if(TARGET zentrel-utility)
  set(ZENTREL_APP_ID org.example.ZentrelUtility)
  install(TARGETS zentrel-utility RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Its window, where the start looks for it (src/app/CMakeLists.txt).
  install(TARGETS zentrel-desktop LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/zentrel-utility)
  # The launcher finds the default images at ../share/zentrel-utility beside itself.
  install(PROGRAMS ${CMAKE_SOURCE_DIR}/tools/install/zentrel-utility-launch DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/assets/logo.ico ${CMAKE_SOURCE_DIR}/assets/oemSmall.bmp
                ${CMAKE_SOURCE_DIR}/assets/oemBig.bmp
          DESTINATION ${CMAKE_INSTALL_DATADIR}/zentrel-utility)
  install(FILES ${ZENTREL_MAN_DIR}/zentrel-utility.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # The launcher shares the program's page.
  install(CODE "
    set(man1 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1\")
    message(STATUS \"Installing: \${man1}/zentrel-utility-launch.1\")
    file(CREATE_LINK zentrel-utility.1 \"\${man1}/zentrel-utility-launch.1\" SYMBOLIC)
  ")
  install(FILES ${CMAKE_SOURCE_DIR}/data/${ZENTREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The desktop entry starts the launcher by its full path, so it works for a prefix that is not
  # on PATH; the prefix is the one given at install time (cmake --install --prefix).
  set(ZENTREL_DESKTOP_IN ${CMAKE_SOURCE_DIR}/data/${ZENTREL_APP_ID}.desktop.in)
  install(CODE "
    set(bindir \"${CMAKE_INSTALL_BINDIR}\")
    if(NOT IS_ABSOLUTE \"\${bindir}\")
      set(bindir \"\${CMAKE_INSTALL_PREFIX}/\${bindir}\")
    endif()
    file(READ \"${ZENTREL_DESKTOP_IN}\" entry)
    string(REPLACE \"@BINDIR@\" \"\${bindir}\" entry \"\${entry}\")
    set(target \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/${ZENTREL_APP_ID}.desktop\")
    message(STATUS \"Installing: \${target}\")
    file(WRITE \"\${target}\" \"\${entry}\")
  ")

  # The icon is drawn at each size by tools/make_icon.py (standard library Python only).
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(ZENTREL_ICON_SIZES 32 48 64 128 256)
  set(ZENTREL_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
  set(ZENTREL_ICONS)
  foreach(size IN LISTS ZENTREL_ICON_SIZES)
    list(APPEND ZENTREL_ICONS ${ZENTREL_ICON_DIR}/${size}x${size}/apps/zentrel-utility.png)
  endforeach()
  add_custom_command(OUTPUT ${ZENTREL_ICONS}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_icon.py ${ZENTREL_ICON_DIR} ${ZENTREL_ICON_SIZES}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_icon.py ${CMAKE_SOURCE_DIR}/tools/make_images.py
    COMMENT "Drawing the desktop icon"
    VERBATIM)
  add_custom_target(zentrel-icons ALL DEPENDS ${ZENTREL_ICONS})
  foreach(size IN LISTS ZENTREL_ICON_SIZES)
    install(FILES ${ZENTREL_ICON_DIR}/${size}x${size}/apps/zentrel-utility.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()
