# The Debian packages, split as Debian splits a library (cpack -G DEB):
#   libvo-tools2-2    component runtime: the shared library, named after
#                     its SONAME (libvo_tools2.so.2), with a shlibs file
#   libvo-tools2-dev  component development: the development link, the
#                     headers, the static host library, the CMake package
#                     and the pkg-config files
#   vo-tools          component tools: the program and what tools/ installs
#                     beside it (its manual page)
# dpkg-shlibdeps computes what each needs of the system; the other two
# depend on the library's package of the same version. stage.cmake adds
# what Debian asks of every package. Included before CPack.

set(VO_TOOLS_DEB_MAINTAINER "vo_tools2 authors <vo-tools2@example.org>" CACHE STRING
    "The Maintainer field of the Debian packages")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VO_TOOLS_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SOURCE vo-tools2)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# dpkg-shlibdeps runs in each component's staged tree; vo-tools needs the
# library staged beside it, in the runtime component's tree. (Its dependency
# on that package comes from the component's DEPENDS, not from here.)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ../runtime/usr/${CMAKE_INSTALL_LIBDIR})

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libvo-tools2-${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# CPack's own postinst and postrm call ldconfig as well (lintian warns of
# that), but Debian wants the trigger.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "utilities for the processes of a monitoring system
A handle table, wake-up scheduling on a host program's timers, diagnostic
logging to a main and a rotating brief log, a quoted-printable codec and the
proxy's service names, in one shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvo-tools2-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "utilities for the processes of a monitoring system (development files)
The headers of vo_tools2, its CMake package (find_package(vo_tools2)) and
pkg-config files, and the static host timer service library that stands in
for a host program's timers.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME vo-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "quoted-printable codec and proxy service names from the shell
vo-tools encodes and decodes quoted-printable text and composes the proxy's
service names for a suffix, with the vo_tools2 library.")

# Debian wants the licence as each package's copyright file, in its
# machine-readable form: the LICENSE text below a header.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE VO_TOOLS_LICENSE_TEXT)
string(REGEX REPLACE "\n+$" "" VO_TOOLS_LICENSE_TEXT "${VO_TOOLS_LICENSE_TEXT}")
string(REGEX REPLACE "\n\n" "\n.\n" VO_TOOLS_LICENSE_TEXT "${VO_TOOLS_LICENSE_TEXT}")
string(REGEX REPLACE "\n" "\n " VO_TOOLS_LICENSE_TEXT "${VO_TOOLS_LICENSE_TEXT}")
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/debian/copyright.in
               ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright @ONLY)

# The Debian changelog names the version it packages: it must be this one.
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog VO_TOOLS_DEB_CHANGELOG_TOP
     LIMIT_COUNT 1)
if(NOT VO_TOOLS_DEB_CHANGELOG_TOP MATCHES "^vo-tools2 \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "package/debian/changelog does not begin with version ${PROJECT_VERSION}")
endif()

set(VO_TOOLS_DEB_COPYRIGHT ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright)
set(VO_TOOLS_DEB_CHANGELOG ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/debian/stage.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/cpack_options.cmake)
# The script reads these from the CPack configuration.
set(CPACK_VO_TOOLS_DEB_COPYRIGHT ${VO_TOOLS_DEB_COPYRIGHT})
set(CPACK_VO_TOOLS_DEB_CHANGELOG ${VO_TOOLS_DEB_CHANGELOG})
