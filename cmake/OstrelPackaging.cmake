# Desktop integration and the Debian package.
install(FILES ${PROJECT_SOURCE_DIR}/res/ostrel-update.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/res/icons/ostrel-update-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ostrel-update.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/res/icons/ostrel-update.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/demo/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/ostrel-update/demo USE_SOURCE_PERMISSIONS)

set(CPACK_PACKAGE_NAME ostrel-update)
set(CPACK_PACKAGE_VENDOR "Ostrel")
set(CPACK_PACKAGE_CONTACT "Ostrel support <support@ostrel.co.uk>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Updater for the Ostrel accounting, payroll and tax programs")
set(CPACK_PACKAGE_INSTALL_DIRECTORY ostrel-update)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")
set(CPACK_GENERATOR DEB)
include(CPack)
