# What a desktop installs besides the programs: desktop entry, file type, icons, metainfo, manual
# pages and the shell completion. Everything but the simulator's manual belongs to the main
# package (component "main").

set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME main)

# The desktop entry's name; the program names its windows after it (setDesktopFileName), and the
# metainfo file is named after it too.
set(HZM_APP_ID "com.orvane.HzmUtility")
# The day the version above was released (the metainfo's release entry).
set(HZM_RELEASE_DATE "2026-12-07")
set(HZM_HOMEPAGE_URL "https://example.org/hzm-utility" CACHE STRING
    "Project home page; the metainfo's screenshot lies under it (screenshots/main-window.png)")
target_compile_definitions(hzm_version INTERFACE HZM_APP_ID="${HZM_APP_ID}")

set(HZM_GENERATED ${CMAKE_CURRENT_BINARY_DIR}/generated)
foreach(page hzm-utility hzmctl hzm-sim)
    configure_file(dist/man/${page}.1.in ${HZM_GENERATED}/man/${page}.1 @ONLY)
endforeach()

if(UNIX)
    install(FILES ${HZM_GENERATED}/man/hzm-utility.1 ${HZM_GENERATED}/man/hzmctl.1
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT main)
    install(FILES ${HZM_GENERATED}/man/hzm-sim.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT simulator)
endif()
if(BUILD_TESTING)
    foreach(program hzm-utility hzmctl hzm-sim)
        add_test(NAME manual_${program}
                 COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}>
                         -DMANUAL=${HZM_GENERATED}/man/${program}.1 -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CheckManual.cmake)
        set_tests_properties(manual_${program} PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen LABELS unit)
    endforeach()
endif()

if(UNIX AND NOT APPLE)
    configure_file(resources/hzm-utility.metainfo.xml.in ${HZM_GENERATED}/${HZM_APP_ID}.metainfo.xml @ONLY)
    install(FILES resources/hzm-utility.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
            RENAME ${HZM_APP_ID}.desktop COMPONENT main)
    install(FILES ${HZM_GENERATED}/${HZM_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
            COMPONENT main)
    install(FILES resources/hzm-utility-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
            RENAME hzm-utility.xml COMPONENT main)
    foreach(size 16 22 24 32 48 64 128 256)
        install(FILES resources/icons/${size}/hzm-utility.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT main)
    endforeach()
    install(FILES resources/icons/hzm-utility.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT main)
    install(FILES dist/bash-completion/hzmctl
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT main)
endif()

# Debian keeps a package's licence in /usr/share/doc/PACKAGE/copyright.
if(UNIX AND NOT APPLE)
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/hzm-utility RENAME copyright COMPONENT main)
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/hzm-sim RENAME copyright COMPONENT simulator)
endif()
