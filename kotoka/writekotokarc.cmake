# Writes kotoka's resource file unless it exists already. Run at build time:
#   cmake -DRESOURCE_FILE=<dist>/dic/kotokarc -P writekotokarc.cmake
if(NOT EXISTS "${RESOURCE_FILE}")
  file(WRITE "${RESOURCE_FILE}"
"# kotoka's resource file. The window replaces the placeholder below with
# the absolute dic folder when it first starts.
dicdir %KOTDIC%/ipadic
")
endif()
