# What `cmake --install` puts in place, and the Debian package cpack makes of it:
#   bin/brindlex                                 the command-line host
#   lib/brindlex/Brindlex.component/             the component it loads (found as
#                                                ../lib/brindlex/ from the program)
#   share/man/man1/brindlex.1                    its manual page
#   share/bash-completion/completions/brindlex   its completion for bash
# and the LV2 bundle (component lv2), which effects/Brindlex/lv2 installs.

include(GNUInstallDirs)

set(brindlex_component_install lib/brindlex/Brindlex.component/Contents)
install(TARGETS brindlex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
install(TARGETS Brindlex LIBRARY
        DESTINATION ${brindlex_component_install}/${BRINDLEX_BUNDLE_EXECUTABLE_FOLDER}
        COMPONENT cli)
install(FILES ${PROJECT_BINARY_DIR}/Brindlex.component/Contents/Info.plist
        DESTINATION ${brindlex_component_install} COMPONENT cli)
install(DIRECTORY ${PROJECT_BINARY_DIR}/Brindlex.component/Contents/Resources/
        DESTINATION ${brindlex_component_install}/Resources COMPONENT cli)
install(FILES tools/brindlex/brindlex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
install(FILES tools/brindlex/brindlex.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME brindlex
        COMPONENT cli)

set(CPACK_PACKAGE_NAME brindlex)
set(CPACK_PACKAGE_VENDOR "Halvermoor")
set(CPACK_PACKAGE_CONTACT "Halvermoor <brindlex@halvermoor.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Old communications equipment as an audio effect: LV2 plug-in and command-line host")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Brindlex makes any signal sound as if it came through old communications equipment: a "
       "band-limited, driven and noisy amplifier, a peaking equaliser between two shelves and a "
       "saturating limiter. The package holds the LV2 plug-in with its editor and the brindlex "
       "command-line host, which renders audio files through the effect.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The shared libraries the programs and plug-ins link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond what the symbols say: MP3 and Opus output and RF64 need libsndfile 1.1.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsndfile1 (>= 1.1.0)")
set(CPACK_DEBIAN_PACKAGE_ENHANCES "lv2-host")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
