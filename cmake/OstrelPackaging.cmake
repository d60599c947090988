# Desktop integration, manual pages and the Debian package.
find_program(GZIP_EXECUTABLE gzip REQUIRED)

# Debian wants compressed manual pages and changelogs, made reproducibly (-n:
# no name or time stamp in the header).
# ostrel_gzip(source destination name): installs source compressed as
# destination/name; the files are made by the target ostrel_gzipped_files.
set(ostrel_gzipped "")
function(ostrel_gzip source destination name)
  set(output ${PROJECT_BINARY_DIR}/gzipped/${destination}/${name})
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/gzipped/${destination}
    COMMAND ${GZIP_EXECUTABLE} -9nc ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
  install(FILES ${output} DESTINATION ${destination})
  set(ostrel_gzipped ${ostrel_gzipped} ${output} PARENT_SCOPE)
endfunction()

# Every man/*.1 is a page of section 1, whoever adds it.
file(GLOB ostrel_man_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/*.1)
foreach(page ${ostrel_man_pages})
  get_filename_component(name ${page} NAME)
  ostrel_gzip(${page} ${CMAKE_INSTALL_MANDIR}/man1 ${name}.gz)
endforeach()

# The package's own changelog; its newest entry names the version packaged.
set(ostrel_debian ${PROJECT_SOURCE_DIR}/packaging/debian)
file(STRINGS ${ostrel_debian}/changelog ostrel_changelog_head LIMIT_COUNT 1)
if(NOT ostrel_changelog_head MATCHES "^ostrel-update \\(${PROJECT_VERSION}-([0-9]+)\\) ")
  message(FATAL_ERROR "packaging/debian/changelog: the newest entry must be for version "
                      "${PROJECT_VERSION}-N, found: ${ostrel_changelog_head}")
endif()
set(ostrel_debian_release ${CMAKE_MATCH_1})
set(ostrel_docdir ${CMAKE_INSTALL_DATADIR}/doc/ostrel-update)
ostrel_gzip(${ostrel_debian}/changelog ${ostrel_docdir} changelog.Debian.gz)
install(FILES ${ostrel_debian}/copyright DESTINATION ${ostrel_docdir})
install(FILES ${ostrel_debian}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ostrel-update)
add_custom_target(ostrel_gzipped_files ALL DEPENDS ${ostrel_gzipped})

install(FILES ${PROJECT_SOURCE_DIR}/res/ostrel-update.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/uk.co.ostrel.Update.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/res/icons/ostrel-update-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ostrel-update.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/ostrel-update.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Fixed modes, not the source's: a tree unpacked from a release tarball (git
# archive writes 0664) must package the same as a clone.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/demo/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ostrel-update/demo
        FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                              WORLD_READ WORLD_EXECUTE)

# The daily check: systemd user units, on for every user by a preset (and by
# the package's postinst, since Debian enables what it installs rather than
# reading presets).
set(ostrel_systemd ${PROJECT_SOURCE_DIR}/packaging/systemd)
install(FILES ${ostrel_systemd}/ostrel-update-check.service
              ${ostrel_systemd}/ostrel-update-check.timer
        DESTINATION lib/systemd/user)
install(FILES ${ostrel_systemd}/80-ostrel-update.preset DESTINATION lib/systemd/user-preset)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${ostrel_systemd}/postinst ${ostrel_systemd}/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_PACKAGE_NAME ostrel-update)
set(CPACK_PACKAGE_VENDOR "Ostrel")
set(CPACK_PACKAGE_CONTACT "Ostrel support <support@ostrel.co.uk>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Updater for the Ostrel accounting, payroll and tax programs")
# The summary heads the package's description; this is the rest.
set(CPACK_PACKAGE_DESCRIPTION
    "The updater of the Ostrel suite of accounting, payroll and tax programs and
of its partner brands, which run under Wine. It fetches the brand's update
catalogue, lists the updates in one window, downloads installers with
progress and starts them, refuses to update while suite programs run, and
checks the supporting libraries in a start-up mode.
.
With ostrel-update --install-bridge, the suite's own calls of update.exe in
its install folder start this updater, through a small Windows program that
the package holds.
.
The package also holds ostrel-fetch, which makes one transfer as the updater
does, ostrel-xmltree, which prints the element tree the updater reads from a
catalogue, and ostrel-catalogue-server, a loopback server for trying it out.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY ostrel-update)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ostrel_debian_release})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.ostrel.co.uk/")
# Libraries as dpkg-shlibdeps finds them; what is only run is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
# The suite's installers are Windows programs: without wine nothing installs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine")
set(CPACK_GENERATOR DEB)
include(CPack)
