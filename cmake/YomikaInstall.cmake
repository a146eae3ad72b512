# What `cmake --install` lays out under the prefix:
#   lib/yomika/           the program folder: yomika, kotoka, README.TXT, dic/kotokarc
#   bin/yomika, bin/kotoka  links into it (the programs find their folder from
#                         the real executable)
#   share/applications, share/metainfo, share/icons/hicolor, share/man/man1,
#   share/doc/yomika      the menu entry, AppStream metadata, icons, manual
#                         pages, licences
# The installed resource file names the dictionary once and for all, so the
# program never writes into its own folder; settings and temporary files go
# to the user's folders (see core/files/programfiles.h).

include(GNUInstallDirs)

set(YOMIKA_PROGRAM_INSTALL_DIR "lib/yomika" CACHE STRING "The program folder, relative to the prefix")
option(YOMIKA_INSTALL_DICTIONARY_COPY
       "Install a copy of the dictionary instead of naming the system's mecab-ipadic-utf8" OFF)
set(YOMIKA_SYSTEM_IPADIC_DIR "/var/lib/mecab/dic/ipadic-utf8" CACHE PATH
    "The system's UTF-8 IPADIC that the installed program names")

if(YOMIKA_INSTALL_DICTIONARY_COPY)
  install(DIRECTORY "${YOMIKA_DIST_DIR}/dic/ipadic" DESTINATION "${YOMIKA_PROGRAM_INSTALL_DIR}/dic")
  set(installed_dicdir "${CMAKE_INSTALL_PREFIX}/${YOMIKA_PROGRAM_INSTALL_DIR}/dic/ipadic")
else()
  set(installed_dicdir "${YOMIKA_SYSTEM_IPADIC_DIR}")
endif()
file(WRITE "${CMAKE_BINARY_DIR}/install/kotokarc"
     "# kotoka's resource file: the folder of the IPADIC dictionary.\ndicdir ${installed_dicdir}\n")

install(TARGETS yomika kotoka RUNTIME DESTINATION "${YOMIKA_PROGRAM_INSTALL_DIR}")
install(FILES "${CMAKE_SOURCE_DIR}/ship/README.TXT" DESTINATION "${YOMIKA_PROGRAM_INSTALL_DIR}")
install(FILES "${CMAKE_BINARY_DIR}/install/kotokarc" DESTINATION "${YOMIKA_PROGRAM_INSTALL_DIR}/dic")
foreach(program yomika kotoka)
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(REMOVE \"\${link}\")
    file(CREATE_LINK \"../${YOMIKA_PROGRAM_INSTALL_DIR}/${program}\" \"\${link}\" SYMBOLIC)
    message(STATUS \"Installing: \${link}\")")
endforeach()

set(app_id org.yomika.Yomika)
install(FILES "${CMAKE_SOURCE_DIR}/ship/linux/${app_id}.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES "${CMAKE_SOURCE_DIR}/ship/linux/${app_id}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
foreach(size 32 48 64 128 256)
  install(FILES "${CMAKE_SOURCE_DIR}/ship/icons/yomika-${size}.png"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps" RENAME yomika.png)
endforeach()
install(FILES "${CMAKE_SOURCE_DIR}/ship/linux/yomika.1" "${CMAKE_SOURCE_DIR}/ship/linux/kotoka.1"
        DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${CMAKE_SOURCE_DIR}/LICENSE" "${CMAKE_SOURCE_DIR}/ship/THIRD-PARTY-NOTICES.txt"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/yomika")
