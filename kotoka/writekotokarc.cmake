# Puts kotoka's resource file into the program directory unless it is there
# already: once the window has filled in its placeholder, a new build must not
# put the placeholder back. Run at build time:
#   cmake -DTEMPLATE=kotoka/kotokarc -DRESOURCE_FILE=<dist>/dic/kotokarc -P writekotokarc.cmake
if(NOT EXISTS "${RESOURCE_FILE}")
  configure_file("${TEMPLATE}" "${RESOURCE_FILE}" COPYONLY)
endif()
