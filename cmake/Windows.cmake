# What the Windows programs carry and what their setup program needs (scripts/package-windows):
# each program's icon and version resource, and dist/windows/setup.nsh.in filled in with the
# version, the names and the file types of resources/hzm-utility-mime.xml.

# The names as the desktop entry and the licence give them.
file(STRINGS resources/hzm-utility.desktop HZM_PRODUCT_NAME REGEX "^Name=")
string(REPLACE "Name=" "" HZM_PRODUCT_NAME "${HZM_PRODUCT_NAME}")
file(STRINGS LICENSE HZM_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)

function(hzm_windows_resources program description)
    set(HZM_RC_PROGRAM ${program})
    set(HZM_RC_DESCRIPTION "${description}")
    set(HZM_RC_ICON "")
    if(program STREQUAL "hzm-utility")
        set(HZM_RC_ICON "1 ICON \"${CMAKE_CURRENT_SOURCE_DIR}/resources/icons/hzm-utility.ico\"")
    endif()
    configure_file(dist/windows/program.rc.in ${HZM_GENERATED}/${program}.rc @ONLY)
    target_sources(${program} PRIVATE ${HZM_GENERATED}/${program}.rc)
endfunction()
hzm_windows_resources(hzm-utility "${HZM_PRODUCT_NAME}")
hzm_windows_resources(hzmctl "${HZM_PRODUCT_NAME}, command line")
hzm_windows_resources(hzm-sim "Simulated HZM-1e mixer")

# The file types: every <mime-type> with a comment and a "*.ext" glob.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS resources/hzm-utility-mime.xml)
file(READ resources/hzm-utility-mime.xml mime)
string(REPLACE "</mime-type>" ";" mime "${mime}")
set(HZM_SETUP_FILE_TYPES "")
foreach(type IN LISTS mime)
    if(type MATCHES "<comment>([^<]+)</comment>")
        set(comment "${CMAKE_MATCH_1}")
        if(type MATCHES "<glob pattern=\"\\*\\.([A-Za-z0-9]+)\"")
            string(APPEND HZM_SETUP_FILE_TYPES "!insertmacro \${ACTION} \"${CMAKE_MATCH_1}\" \"${comment}\"\n")
        endif()
    endif()
endforeach()
configure_file(dist/windows/setup.nsh.in ${HZM_GENERATED}/setup.nsh @ONLY)
