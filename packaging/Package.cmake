# The Debian package: `cpack -G DEB` in the build tree (scripts/package.sh builds and runs it)
# makes vesk_VERSION_ARCH.deb from what `cmake --install` puts in place, under /usr.
include_guard(GLOBAL)

set(VESK_MAINTAINER "Vesk developers <vesk@example.org>")

# The copyright file and the changelog that Debian expects beside every package's files. The
# version carries no Debian revision, so this is a native package: its changelog is
# changelog.gz, not changelog.Debian.gz.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vesk)
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${changelog} @ONLY)
add_custom_command(OUTPUT ${changelog}.gz
    COMMAND gzip -9nkf ${changelog}
    DEPENDS ${changelog}
    VERBATIM)
add_custom_target(vesk-package-docs ALL DEPENDS ${changelog}.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${changelog}.gz DESTINATION ${doc_dir})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vesk)

# qt_standard_project_setup() gives every program the install rpath $ORIGIN:$ORIGIN/../lib,
# for shared libraries of the project's own. There are none (they are all static), and
# Debian's programs find their libraries without one.
function(vesk_drop_install_rpath dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE")
            set_target_properties(${target} PROPERTIES INSTALL_RPATH "")
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir IN LISTS subdirs)
        vesk_drop_install_rpath(${subdir})
    endforeach()
endfunction()
vesk_drop_install_rpath(${CMAKE_SOURCE_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vesk)
set(CPACK_PACKAGE_VENDOR "Vesk developers")
set(CPACK_PACKAGE_CONTACT ${VESK_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories the install makes follow the umask of whoever packs; the package must not.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "H8/300H development tool: build programs and send them to the board")
# CPack puts the summary in front as the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Vesk is a desktop tool with a Japanese user interface for people who write
programs for an H8/300H microcontroller board. In one window you browse to a
C or assembler source, build it through the bundled toolchain into a Motorola
S-record file and a binary image, and send the image to the board's loader
over a serial port.

The package also holds command-line tools: vesk-build runs a build without the
window, vesk-send sends an image, vesk-sim runs an image on a simulated H8/300H
and vesk-board is a virtual board on a pseudo-terminal. vesk-workspace prepares
a workspace with the toolchain, its runtime library, headers and samples.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VESK_MAINTAINER})
# dpkg-shlibdeps names the libraries the programs link (Qt 6 Core, Gui, Widgets and
# SerialPort, libstdc++, libc) at the versions they were built against; the rest is what they
# start or load by name: the cross tools the toolchain drives, Qt's platform plugins and the
# font of the Japanese captions.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, binutils-h8300-hms, gcc-h8300-hms, fonts-ipafont-gothic")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
