# Installation and the Debian package. The programs live in
# lib/lanternslide with the files they read beside them; bin/ holds a link,
# and the executable finds its folder through /proc/self/exe, past the link.
include(GNUInstallDirs)
set(ls_install_dir ${CMAKE_INSTALL_LIBDIR}/lanternslide)
set(ls_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/lanternslide)

# The installed settings file links to the installed README.
set(install_assets ${CMAKE_BINARY_DIR}/install-assets)
list(TRANSFORM app_asset_files PREPEND ${install_assets}/ OUTPUT_VARIABLE installed_assets)
add_custom_command(OUTPUT ${installed_assets}
  COMMAND app-assets ${install_assets} ${PROJECT_VERSION}
          file://${CMAKE_INSTALL_PREFIX}/${ls_doc_dir}/README.md
  DEPENDS app-assets COMMENT "Writing the settings file, icon and skin to install")
add_custom_target(app_install_assets ALL DEPENDS ${installed_assets})

# A program of the package: installed beside the settings file, linked into bin/.
function(ls_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${ls_install_dir})
  file(CREATE_LINK ../${ls_install_dir}/${target} ${CMAKE_BINARY_DIR}/${target}-link SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/${target}-link DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME ${target})
endfunction()

ls_install_program(lanternslide)
install(FILES ${install_assets}/kelvane.dll ${install_assets}/icon.ico DESTINATION ${ls_install_dir})
install(FILES ${install_assets}/sounds/Blue/main.bmp DESTINATION ${ls_install_dir}/sounds/Blue)
install(FILES packaging/lanternslide.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${install_assets}/lanternslide.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
install(FILES README.md LICENSE DESTINATION ${ls_doc_dir})

set(CPACK_PACKAGE_NAME lanternslide)
set(CPACK_PACKAGE_VENDOR "The Lanternslide developers")
set(CPACK_PACKAGE_CONTACT "The Lanternslide developers <lanternslide@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Turns pictures into a video with animated transitions")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# The settings file names the installed README by this prefix.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
# The media libraries are loaded at run time, so no link-time scan finds them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libavcodec59, libavformat59, libavfilter8, libavdevice59, libavutil57, libswscale6, libswresample4, libturbojpeg0, libpng16-16, libqt6core6, libqt6gui6, libqt6widgets6, qt6-qpa-plugins")
include(CPack)
