# Installation and the Debian package. The programs live in
# lib/lanternslide with the files they read beside them; bin/ holds a link,
# and the executable finds its folder through /proc/self/exe, past the link.
# The package installs under /usr (scripts/package configures that prefix,
# so the settings file links to the right README).
include(GNUInstallDirs)
set(ls_install_dir lib/lanternslide)
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
ls_install_program(lanternslide-render)
install(FILES ${install_assets}/kelvane.dll ${install_assets}/icon.ico DESTINATION ${ls_install_dir})
install(FILES ${install_assets}/sounds/Blue/main.bmp DESTINATION ${ls_install_dir}/sounds/Blue)
install(FILES packaging/lanternslide.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${install_assets}/lanternslide.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps)
install(FILES README.md DESTINATION ${ls_doc_dir})

# Manual pages, compressed as Debian wants them: the renderer's from its
# --help text, the window's written by hand; the changelog likewise.
set(ls_man_files ${CMAKE_BINARY_DIR}/man/lanternslide-render.1.gz ${CMAKE_BINARY_DIR}/man/lanternslide.1.gz)
add_custom_command(OUTPUT ${ls_man_files} ${CMAKE_BINARY_DIR}/man/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND man-page ${CMAKE_BINARY_DIR}/man/lanternslide-render.1
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/lanternslide.1
          ${PROJECT_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/man/
  COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/man/lanternslide-render.1 ${CMAKE_BINARY_DIR}/man/lanternslide.1
          ${CMAKE_BINARY_DIR}/man/changelog
  DEPENDS man-page packaging/lanternslide.1 packaging/changelog
  COMMENT "Writing the manual pages")
add_custom_target(man_pages ALL DEPENDS ${ls_man_files})
install(FILES ${ls_man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/man/changelog.gz packaging/copyright DESTINATION ${ls_doc_dir})
set(CPACK_PACKAGE_NAME lanternslide)
set(CPACK_PACKAGE_VENDOR "The Lanternslide developers")
set(CPACK_PACKAGE_CONTACT "The Lanternslide developers <lanternslide@users.noreply.lanternslide.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns pictures into a video with animated transitions")
set(CPACK_PACKAGE_DESCRIPTION "Lanternslide holds each picture (JPEG, PNG, BMP, HEIC or WebP) for a while,
joins neighbours with one of 176 animated transitions and encodes the
result with a sound track into a video file (H.264, H.265, AV1 or VP9).
It comes as a desktop program and as a command-line renderer.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# /usr/local belongs to the machine's administrator: a package never writes there.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Linked libraries are found by dpkg-shlibdeps; the media libraries are
# loaded at run time, so no link-time scan finds them, nor the Qt platform plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libavcodec59, libavformat59, libavfilter8, libavdevice59, libavutil57, libswscale6, libswresample4, qt6-qpa-plugins")
include(CPack)
