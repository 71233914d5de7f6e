# Installing and packaging. Everything the program opens next to itself
# (lang.dll, the help document) is installed beside the real executables in
# TQ_INSTALL_APPDIR; on Unix, <prefix>/bin holds symbolic links to them (the
# programs find their folder through the link, see applicationDirPath).

include(GNUInstallDirs)

if(WIN32)
    set(TQ_INSTALL_APPDIR ${CMAKE_INSTALL_BINDIR})
else()
    set(TQ_INSTALL_APPDIR lib/tq540config CACHE STRING
        "Folder below the prefix for the programs, lang.dll and the help document")
endif()

# A link <prefix>/bin/<program> to the program in TQ_INSTALL_APPDIR.
function(tq_install_launcher program)
    if(WIN32)
        return()
    endif()
    file(RELATIVE_PATH target /${CMAKE_INSTALL_BINDIR} /${TQ_INSTALL_APPDIR}/${program})
    set(link ${CMAKE_BINARY_DIR}/launchers/${program})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/launchers)
    file(CREATE_LINK ${target} ${link} SYMBOLIC)
    install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

tq_install_launcher(tq540config)
tq_install_launcher(tq540ctl)
tq_install_launcher(tq540sim)

# The Debian package: cpack in the build folder makes tq540config_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tq540config)
set(CPACK_PACKAGE_VENDOR Corvant)
set(TQ_PACKAGE_CONTACT "TQ540-2 configuration tool <tq540config@localhost>" CACHE STRING
    "Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT ${TQ_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration tool for the TQ540-2 remote I/O module")
set(CPACK_PACKAGE_DESCRIPTION "Edits the configuration of the module's 24 inputs and \
24 outputs, saves it as a configuration file and transfers it to and from the module over a \
serial port. With tq540ctl, the same operations on the command line, and tq540sim, a simulated \
module on a pseudo-terminal.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
find_program(TQ_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TQ_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # The window system plugins and the font are loaded at run time, unseen by shlibdeps.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6core6, libqt6gui6, libqt6widgets6, \
libqt6printsupport6, libqt6serialport6, qt6-qpa-plugins, fonts-dejavu-core, libstdc++6, libc6")
endif()
include(CPack)
