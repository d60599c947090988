# The Windows installer of the updater itself, made with makensis (Debian's
# nsis): build-windows/installer/ostrel-update-<version>-setup.exe, built with
# the programs (target `installer`).
find_program(OSTREL_MAKENSIS makensis)
if(NOT OSTREL_MAKENSIS OR NOT TARGET ostrel-update)
  message(STATUS "No Windows installer: it needs makensis and the wxWidgets application")
  return()
endif()

set(ostrel_installer_script ${PROJECT_SOURCE_DIR}/installer/windows/ostrel-update.nsi)
set(OSTREL_WINDOWS_INSTALLER
    ${PROJECT_BINARY_DIR}/installer/ostrel-update-${PROJECT_VERSION}-setup.exe)
# Signed as the programs in it are (cmake/OstrelWindowsSigning.cmake).
ostrel_sign_commands(${OSTREL_WINDOWS_INSTALLER} ostrel_sign_installer)
add_custom_command(
  OUTPUT ${OSTREL_WINDOWS_INSTALLER}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/installer
  COMMAND ${OSTREL_MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION}
          -DUPDATE_EXE=$<TARGET_FILE:ostrel-update> -DFETCH_EXE=$<TARGET_FILE:ostrel-fetch>
          -DXMLTREE_EXE=$<TARGET_FILE:ostrel-xmltree> -DOUTFILE=${OSTREL_WINDOWS_INSTALLER}
          ${ostrel_installer_script}
  ${ostrel_sign_installer}
  DEPENDS ${ostrel_installer_script} ostrel-update ostrel-fetch ostrel-xmltree
  COMMENT "Making the Windows installer"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${OSTREL_WINDOWS_INSTALLER})
