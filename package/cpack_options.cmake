# CPack reads this for each generator it runs, after the CPack configuration.
if(CPACK_GENERATOR STREQUAL "DEB")
  # Each Debian package's synopsis is the first line of its component's
  # description; CPack would put the project's summary before it.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CPACK_DEFAULT_PACKAGE_DESCRIPTION_SUMMARY}")
endif()
