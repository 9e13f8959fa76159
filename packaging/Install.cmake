# Installation and the Debian package. The programs live in lib/cv5320/
# beside the stand-in firmware and the click sound, because start-up looks
# for both in the application folder; bin/ holds relative links to them, so
# an unpacked package runs from wherever it lies.

set(CV_APP_DIR lib/cv5320)
install(TARGETS cv5320-eval cv5320ctl RUNTIME DESTINATION ${CV_APP_DIR})
install(FILES "${CMAKE_SOURCE_DIR}/firmware/CV5320 Protocol FX2 - Version 4.hex"
        DESTINATION ${CV_APP_DIR})
# The demo's click sound, when the build has put one beside the programs.
install(FILES "${CMAKE_BINARY_DIR}/bin/click.Wav" DESTINATION ${CV_APP_DIR} OPTIONAL)

set(cv_links "${CMAKE_BINARY_DIR}/install-links")
file(MAKE_DIRECTORY "${cv_links}")
foreach(program cv5320-eval cv5320ctl)
  file(CREATE_LINK "../${CV_APP_DIR}/${program}" "${cv_links}/${program}" SYMBOLIC)
  install(FILES "${cv_links}/${program}" DESTINATION bin)
endforeach()

install(FILES packaging/cv5320-eval.desktop DESTINATION share/applications)
install(FILES packaging/cv5320-eval.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES packaging/60-cv5320.rules DESTINATION lib/udev/rules.d)

set(CPACK_PACKAGE_NAME cv5320-eval)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CV5320 evaluation software for the FX2 evaluation board")
set(CPACK_PACKAGE_CONTACT "CV5320 evaluation software <cv5320@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows need a Qt platform plugin, which no library links to.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# udev picks the new rule up without a reboot.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_SOURCE_DIR}/packaging/postinst")
set(CPACK_STRIP_FILES ON)
include(CPack)
