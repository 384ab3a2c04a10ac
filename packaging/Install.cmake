# What `cmake --install` puts where, and the Debian package CPack makes of it.
include(GNUInstallDirs)

set(PUNCHWELL_APP_ID com.quillmoor.Punchwell)
set(PUNCHWELL_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS punchwell-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(PUNCHWELL_BUILD_GUI)
    install(TARGETS punchwell RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The desktop integration exists only on freedesktop systems; on Windows the program
# carries its icon itself.
if(UNIX AND NOT APPLE)
    set(PUNCHWELL_MAN_PAGES punchwell-cli)
    if(PUNCHWELL_BUILD_GUI)
        list(APPEND PUNCHWELL_MAN_PAGES punchwell)
    endif()
    # Man pages are installed compressed, as man-db and Debian expect; -n keeps the
    # archive free of the build's time stamp.
    find_program(PUNCHWELL_GZIP gzip)
    set(PUNCHWELL_MAN_FILES)
    foreach(page IN LISTS PUNCHWELL_MAN_PAGES)
        set(source ${PUNCHWELL_PACKAGING_DIR}/${page}.1)
        if(PUNCHWELL_GZIP)
            set(output ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
            add_custom_command(OUTPUT ${output}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
                COMMAND ${PUNCHWELL_GZIP} -9nc ${source} > ${output}
                DEPENDS ${source} VERBATIM)
            list(APPEND PUNCHWELL_MAN_FILES ${output})
        else()
            list(APPEND PUNCHWELL_MAN_FILES ${source})
        endif()
    endforeach()
    add_custom_target(punchwell_man ALL DEPENDS ${PUNCHWELL_MAN_FILES})
    install(FILES ${PUNCHWELL_MAN_FILES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

    install(FILES ${PUNCHWELL_PACKAGING_DIR}/punchwell-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME punchwell-cli)

    if(PUNCHWELL_BUILD_GUI)
        install(FILES ${PUNCHWELL_PACKAGING_DIR}/${PUNCHWELL_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
        install(FILES ${PUNCHWELL_PACKAGING_DIR}/${PUNCHWELL_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
        install(FILES ${PUNCHWELL_PACKAGING_DIR}/${PUNCHWELL_APP_ID}.mime.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${PUNCHWELL_APP_ID}.xml)

        set(icons ${PROJECT_SOURCE_DIR}/resources/icons)
        set(hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
        foreach(variant "" "-locked")
            install(FILES ${icons}/punchwell${variant}.svg DESTINATION ${hicolor}/scalable/apps
                RENAME ${PUNCHWELL_APP_ID}${variant}.svg)
            foreach(size 16 22 24 32 48 64 128 256)
                install(FILES ${icons}/punchwell${variant}-${size}.png
                    DESTINATION ${hicolor}/${size}x${size}/apps
                    RENAME ${PUNCHWELL_APP_ID}${variant}.png)
            endforeach()
        endforeach()
    endif()

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME punchwell)
    set(CPACK_PACKAGE_VENDOR Quillmoor)
    set(CPACK_PACKAGE_CONTACT "Quillmoor")
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "time tracker for one person")
    set(CPACK_PACKAGE_DESCRIPTION
        "Punchwell records the time you spend on projects: check in and out with notes, "
        "switch projects in one action, see your time per day, week, month, year and in "
        "total, and write HTML reports of what you are owed. punchwell-cli checks, merges, "
        "exports and reports on the data files from the command line.")
    string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_STRIP_FILES ON)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    # dpkg-shlibdeps names the Qt and C++ runtime packages the binaries need.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    include(CPack)
endif()
