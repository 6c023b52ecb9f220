# CPack runs this on the staged tree of every generator, after the install
# and before packing. For the Debian packages it adds what Debian asks of
# each one and the install rules do not give: usr/share/doc/<package>/ with
# the licence as copyright and the Debian changelog, compressed like the
# manual pages (gzip -9n, so the same tree packs to the same bytes). The
# archives' documentation folder, share/doc/vo_tools2, becomes the package's
# own; the licence in it goes, as the package carries it as its copyright
# file instead.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(VO_TOOLS_GZIP gzip REQUIRED)

function(vo_tools_gzip source target)
  execute_process(COMMAND ${VO_TOOLS_GZIP} -9nc ${source} OUTPUT_FILE ${target}
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip could not compress ${source}")
  endif()
endfunction()

foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  if(NOT package)
    message(FATAL_ERROR "component ${component} has no Debian package name")
  endif()
  set(root ${CPACK_TEMPORARY_DIRECTORY}/${component}${CPACK_PACKAGING_INSTALL_PREFIX})
  set(doc ${root}/share/doc/${package})
  file(REMOVE ${root}/share/doc/vo_tools2/LICENSE)
  if(EXISTS ${root}/share/doc/vo_tools2)
    file(RENAME ${root}/share/doc/vo_tools2 ${doc})
  endif()
  file(MAKE_DIRECTORY ${doc})
  file(COPY_FILE ${CPACK_VO_TOOLS_DEB_COPYRIGHT} ${doc}/copyright)
  vo_tools_gzip(${CPACK_VO_TOOLS_DEB_CHANGELOG} ${doc}/changelog.gz)
  file(GLOB_RECURSE pages ${root}/share/man/*)
  foreach(page IN LISTS pages)
    if(NOT page MATCHES "\\.gz$")
      vo_tools_gzip(${page} ${page}.gz)
      file(REMOVE ${page})
    endif()
  endforeach()
endforeach()
