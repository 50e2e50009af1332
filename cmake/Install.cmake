# A desktop install: `cmake --install <build> --prefix <dir>`.
#
# The program keeps its data beside itself ("Data", "Settings.ini") and loads
# "Leafpress.dll" from its own folder, so the program, the command-line tool
# (with its commands library) and the report library share one folder,
# <prefix>/lib/inkwright, which the user must be able to write to.
# <prefix>/bin gets links to both programs, and the desktop entry and the
# icon go where desktop menus look for them.

set(INKWRIGHT_INSTALL_DIR "lib/inkwright")

foreach(program inkwright inkwright-tool)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION "${INKWRIGHT_INSTALL_DIR}")
        # A relative link, so the installed tree can be moved as a whole.
        install(CODE "
            set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
            message(STATUS \"Installing: \${bin}/${program}\")
            file(MAKE_DIRECTORY \"\${bin}\")
            file(CREATE_LINK \"../${INKWRIGHT_INSTALL_DIR}/${program}\" \"\${bin}/${program}\" SYMBOLIC)")
    endif()
endforeach()

# The tool loads the library of its heavier commands from beside itself.
if(TARGET inkwright-tool-commands)
    install(TARGETS inkwright-tool-commands LIBRARY DESTINATION "${INKWRIGHT_INSTALL_DIR}")
endif()

# The report library is found by its file name beside the program.
if(TARGET Leafpress)
    install(TARGETS Leafpress LIBRARY DESTINATION "${INKWRIGHT_INSTALL_DIR}"
                              RUNTIME DESTINATION "${INKWRIGHT_INSTALL_DIR}")
endif()

# The desktop entry names the installed program by its full path, known only
# when installing: --prefix may differ from the configured prefix.
set(INKWRIGHT_DESKTOP_ENTRY "${CMAKE_BINARY_DIR}/packaging/inkwright.desktop")
install(CODE "
    set(INKWRIGHT_DESKTOP_TEMPLATE \"${PROJECT_SOURCE_DIR}/packaging/inkwright.desktop\")
    set(INKWRIGHT_DESKTOP_ENTRY \"${INKWRIGHT_DESKTOP_ENTRY}\")
    set(INKWRIGHT_PROGRAM \"${INKWRIGHT_INSTALL_DIR}/inkwright\")
    include(\"${PROJECT_SOURCE_DIR}/cmake/InstallDesktopEntry.cmake\")")
install(FILES "${INKWRIGHT_DESKTOP_ENTRY}" DESTINATION share/applications)
install(FILES packaging/inkwright.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES packaging/inkwright.png DESTINATION share/icons/hicolor/256x256/apps)

# `cpack --config <build>/CPackConfig.cmake`, or the build's "package" target:
# a .tar.gz of the install tree for the configured prefix, to be unpacked at
# the root of the file system (tar -xzf <file> -C /). It is made through
# DESTDIR so that the desktop entry names the program where it will stand.
set(CPACK_PACKAGE_NAME "Inkwright")
set(CPACK_PACKAGE_VENDOR "Inkwright")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Reference documentation for Object Pascal projects")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_GENERATOR "TGZ")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
