# The desktop install. `cmake --install build --prefix DIR` puts into DIR:
#   bin/tolvan                          the program (finds its data in share/tolvan/)
#   bin/tolvan-play                     the launcher: the local server, then the program
#   lib/tolvan/tolvan-server, play-local.sh   the local server and the script that runs it
#   share/tolvan/raw, snd, web_content  the art, sounds, font and local pages
#   share/applications/tolvan.desktop   the menu entry (Categories=Game;CardGame;)
#   share/icons/hicolor/SIZE/apps/tolvan.png  the icon: the kit's ace of spades
# The program and the data rules are with their targets (src/, assets/); this file adds
# the launcher, the menu entry and the icon.
set(TOLVAN_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/tolvan)
set(TOLVAN_INSTALL_LIBDIR lib/tolvan)

install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/play-local.sh DESTINATION ${TOLVAN_INSTALL_LIBDIR})
set(TOLVAN_LIBDIR_REL ${TOLVAN_INSTALL_LIBDIR})
set(TOLVAN_DATADIR_REL ${TOLVAN_INSTALL_DATADIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/install/tolvan-play.in ${CMAKE_BINARY_DIR}/install/tolvan-play @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/install/tolvan-play DESTINATION ${CMAKE_INSTALL_BINDIR})

# The menu entry names the launcher by its full path in the prefix installed to, which
# is only known at install time (--prefix); a staged install (DESTDIR) keeps the prefix.
install(CODE "
  set(TOLVAN_LAUNCHER \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tolvan-play\")
  configure_file(\"${CMAKE_CURRENT_LIST_DIR}/install/tolvan.desktop.in\"
                 \"${CMAKE_BINARY_DIR}/install/tolvan.desktop\" @ONLY)
  file(INSTALL \"${CMAKE_BINARY_DIR}/install/tolvan.desktop\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
")

# The icon: the ace of spades of the kit's card sheet (99 x 129 cards, spades in row 3,
# the ace in column 12), centred on a transparent square, at the usual menu sizes.
find_program(TOLVAN_CONVERT convert PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT TOLVAN_CONVERT)
  message(FATAL_ERROR "ImageMagick's convert (Debian package imagemagick) is needed for the icon")
endif()
set(TOLVAN_ICON_SIZES 48 64 128 256)
set(TOLVAN_ICONS)
foreach(size ${TOLVAN_ICON_SIZES})
  set(icon ${CMAKE_BINARY_DIR}/install/icons/${size}x${size}/tolvan.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/install/icons/${size}x${size}
    COMMAND ${TOLVAN_CONVERT} ${CMAKE_BINARY_DIR}/raw/card.png -crop 99x129+1188+387 +repage
            -background none -gravity center -extent 129x129 -resize ${size}x${size} PNG32:${icon}
    DEPENDS tolvan_kit ${CMAKE_SOURCE_DIR}/assets/manifest.tsv
    COMMENT "Cutting the ${size} px icon from the card sheet"
    VERBATIM)
  list(APPEND TOLVAN_ICONS ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(tolvan_icons ALL DEPENDS ${TOLVAN_ICONS})
