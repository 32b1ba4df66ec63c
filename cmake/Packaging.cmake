# Debian packages: "cpack -G DEB" in the build folder (scripts/package does it) writes
#   hzm-utility_VERSION_ARCH.deb   hzm-utility and hzmctl, desktop entry, file type, icons,
#                                  metainfo, manual pages, bash completion
#   hzm-sim_VERSION_ARCH.deb       the simulated mixer, a developer's tool, and its manual page
# Binaries are stripped; the dependencies on Qt's libraries come from dpkg-shlibdeps.

set(CPACK_PACKAGE_NAME hzm-utility)
set(CPACK_PACKAGE_VENDOR "HZM-1 Utility Tool developers")
set(CPACK_PACKAGE_CONTACT "HZM-1 Utility Tool developers <hzm-utility@example.org>" CACHE STRING
    "Maintainer of the Debian packages")
set(CPACK_PACKAGE_HOMEPAGE_URL "${HZM_HOMEPAGE_URL}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_COMPONENTS_ALL main simulator)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_MAIN_PACKAGE_NAME hzm-utility)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_NAME hzm-sim)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_SUGGESTS hzm-utility)
# Qt's own translations for the standard dialogs' buttons in the user's language.
set(CPACK_DEBIAN_MAIN_PACKAGE_RECOMMENDS qt6-translations-l10n)
# Descriptions: the first line is each package's summary, an empty line separates paragraphs.
set(CPACK_DEBIAN_MAIN_DESCRIPTION "Configuration tool for HZM-1 and HZM-1e zone mixers
hzm-utility reads the whole configuration of an HZM-1 or HZM-1e eight-zone audio
mixer over a serial line or TCP, edits it on four pages (inputs, outputs, installer
key, system), sends it back in whole or in part, keeps it in settings files (*.hzc)
and exports it as a text listing of device commands.

hzmctl does the same from the shell, for scripts and for provisioning many mixers;
a venue file (*.hzv) lists a site's mixers, each with its link and settings file,
so that every mixer of a site is checked, brought to its file or backed up at once.")
set(CPACK_DEBIAN_SIMULATOR_DESCRIPTION "Simulated HZM-1e zone mixer for development and tests
hzm-sim answers the HZM-1 mixer's text protocol over TCP, over a serial line on a
pseudo-terminal and the UDP discovery broadcast, with fault injection (refusals,
silence, fragmented and delayed replies, dropped connections).")

include(CPack)
