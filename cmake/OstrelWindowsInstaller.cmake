# The Windows installer of the updater itself, made with makensis (Debian's
# nsis): build-windows/installer/ostrel-update-<version>-setup.exe, built with
# the programs (target `installer`).
find_program(OSTREL_MAKENSIS makensis)
if(NOT OSTREL_MAKENSIS OR NOT TARGET ostrel-update)
  message(STATUS "No Windows installer: it needs makensis and the wxWidgets application")
  return()
endif()

set(ostrel_installer_script ${PROJECT_SOURCE_DIR}/installer/windows/ostrel-update.nsi)
# The Group Policy template of the machine policy, in both installers.
set(ostrel_policy_folder ${PROJECT_SOURCE_DIR}/installer/windows/PolicyDefinitions)
set(ostrel_policy_files ${ostrel_policy_folder}/ostrel-update.admx
                        ${ostrel_policy_folder}/en-US/ostrel-update.adml)
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
          -DPOLICY_FOLDER=${ostrel_policy_folder}
          ${ostrel_installer_script}
  ${ostrel_sign_installer}
  DEPENDS ${ostrel_installer_script} ${ostrel_policy_files} ostrel-update ostrel-fetch
          ostrel-xmltree
  COMMENT "Making the Windows installer"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${OSTREL_WINDOWS_INSTALLER})

# The same files as a Windows Installer package, made with wixl (Debian's
# msitools): build-windows/installer/ostrel-update-<version>.msi (target
# `msi`). This wixl finds sources only by names relative to the folder it runs
# in, so the programs are copied to a folder of their own first.
find_program(OSTREL_WIXL wixl)
if(NOT OSTREL_WIXL)
  message(STATUS "No MSI package: it needs wixl")
  return()
endif()
set(ostrel_msi_script ${PROJECT_SOURCE_DIR}/installer/windows/ostrel-update.wxs)
set(OSTREL_WINDOWS_MSI ${PROJECT_BINARY_DIR}/installer/ostrel-update-${PROJECT_VERSION}.msi)

# ostrel_make_msi(OUTPUT VERSION): the package of these programs as VERSION.
function(ostrel_make_msi output version)
  set(ostrel_msi_stage ${PROJECT_BINARY_DIR}/installer/msi-files-${version})
  # The commands run in it.
  file(MAKE_DIRECTORY ${ostrel_msi_stage})
  ostrel_sign_commands(${output} sign_commands)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ostrel-update> ${ostrel_msi_stage}/update.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ostrel-fetch> ${ostrel_msi_stage}/ostrel-fetch.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ostrel-xmltree>
            ${ostrel_msi_stage}/ostrel-xmltree.exe
    COMMAND ${CMAKE_COMMAND} -E copy ${ostrel_policy_folder}/ostrel-update.admx
            ${ostrel_policy_folder}/en-US/ostrel-update.adml ${ostrel_msi_stage}
    COMMAND ${OSTREL_WIXL} -a x86 -D Version=${version} -D UpdateExe=update.exe
            -D FetchExe=ostrel-fetch.exe -D XmltreeExe=ostrel-xmltree.exe -o ${output}
            ${ostrel_msi_script}
    ${sign_commands}
    WORKING_DIRECTORY ${ostrel_msi_stage}
    DEPENDS ${ostrel_msi_script} ${ostrel_policy_files} ostrel-update ostrel-fetch ostrel-xmltree
    COMMENT "Making the Windows Installer package ${version}"
    VERBATIM)
endfunction()

ostrel_make_msi(${OSTREL_WINDOWS_MSI} ${PROJECT_VERSION})
add_custom_target(msi ALL DEPENDS ${OSTREL_WINDOWS_MSI})
