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

# Manual pages made from the built programs' own --help and --version
# (packaging/manpage.sh), so they say what the programs do; gzip -n keeps
# them the same from build to build.
find_program(GZIP gzip REQUIRED)
set(cv_doc "${CMAKE_BINARY_DIR}/packaging")
file(MAKE_DIRECTORY "${cv_doc}")
set(cv_summary_cv5320-eval "evaluation program for the CV5320 on its USB board")
set(cv_summary_cv5320ctl "CV5320 evaluation board from the command line")
set(cv_manuals)
foreach(program cv5320-eval cv5320ctl)
  add_custom_command(OUTPUT "${cv_doc}/${program}.1.gz"
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            "${CMAKE_SOURCE_DIR}/packaging/manpage.sh" $<TARGET_FILE:${program}>
            "${cv_summary_${program}}" "${CMAKE_SOURCE_DIR}/packaging/manual-tail.roff"
            "${cv_doc}/${program}.1"
    COMMAND ${GZIP} -9nf "${cv_doc}/${program}.1"
    DEPENDS ${program} "${CMAKE_SOURCE_DIR}/packaging/manpage.sh"
            "${CMAKE_SOURCE_DIR}/packaging/manual-tail.roff"
    COMMENT "Manual page ${program}.1 from ${program} --help" VERBATIM)
  list(APPEND cv_manuals "${cv_doc}/${program}.1.gz")
endforeach()
add_custom_command(OUTPUT "${cv_doc}/changelog.Debian.gz"
  COMMAND ${GZIP} -9nc "${CMAKE_SOURCE_DIR}/packaging/changelog" > "${cv_doc}/changelog.Debian.gz"
  DEPENDS "${CMAKE_SOURCE_DIR}/packaging/changelog")
add_custom_target(package_docs ALL DEPENDS ${cv_manuals} "${cv_doc}/changelog.Debian.gz")
install(FILES ${cv_manuals} DESTINATION share/man/man1)
install(FILES "${cv_doc}/changelog.Debian.gz" packaging/copyright
        DESTINATION share/doc/cv5320-eval)
install(FILES packaging/io.github.cv5320_eval.metainfo.xml DESTINATION share/metainfo)
install(FILES packaging/lintian-overrides DESTINATION share/lintian/overrides
        RENAME cv5320-eval)

install(FILES packaging/cv5320-eval.desktop DESTINATION share/applications)
install(FILES packaging/cv5320-eval.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES packaging/60-cv5320.rules DESTINATION lib/udev/rules.d)

set(CPACK_PACKAGE_NAME cv5320-eval)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "evaluation software for the CV5320 capacitance converter board")
set(CPACK_PACKAGE_DESCRIPTION "\
The CV5320 is a capacitance-to-digital converter for touch keys, sliders
and wheels. This package holds the evaluation software for its USB
evaluation board, built around an FX2 USB controller.

cv5320-eval downloads the protocol firmware to the board, then shows the
chip's conversion stages on a block diagram, the converter results and
live charts, sets up sensor inputs, calibrates offsets and runs the
board's touch demos. cv5320ctl does the same from the command line and in
scripts: register reads and writes, register files, calibrations and
streams logged to CSV.

A simulated board stands in when no hardware is connected. A udev rule
lets the logged-in user open the board without root.")
set(CPACK_PACKAGE_CONTACT "CV5320 Evaluation Software developers <cv5320-eval@users.noreply.github.com>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/cv5320-eval/cv5320-eval")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows need a Qt platform plugin, which no library links to.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# udev picks the new rule up without a reboot.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_SOURCE_DIR}/packaging/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_STRIP_FILES ON)
include(CPack)
