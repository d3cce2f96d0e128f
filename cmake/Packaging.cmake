# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, built by scripts/package.sh through CPack. Depends is
# computed from the shared libraries kelvo links (dpkg-shlibdeps); the packages
# below are the ones Qt and GStreamer load at run time, which no link records.

install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian-copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kelvo
  RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvo)
set(CPACK_PACKAGE_VENDOR "The Kelvo developers")
set(CPACK_PACKAGE_CONTACT "The Kelvo developers <hello@kelvo.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# The summary above is the first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Kelvo turns one recorded run of a task into an illustrated, step-by-step
guide: press Record, do the task in any application, press Stop, and every
click becomes a step with a screenshot, a caption written from the clicked
element's accessibility description and its moment in the screen video.
Guides are edited, played and exported as PDF. Kelvo records X11 sessions.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# The SVG icon engine, GStreamer's MOV demuxer and HEVC decoder for playback,
# and the accessibility bus that captions are read from.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6svg6, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, at-spi2-core")
# Share by e-mail and the file manager fallback; fonts for the PDF.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-dejavu-core")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
