# `cmake --install`: the program (and the command-line tool) in bin/, the read-me where the program
# looks for it when there is none beside it (share/doc/noxsteg/ReadMe.Txt), the desktop entry and
# the icon where desktops find them, and the two sample pictures beside the read-me.
include(GNUInstallDirs)

install(TARGETS noxsteg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET noxsteg-cli)
  install(TARGETS noxsteg-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/ReadMe.Txt DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/noxsteg)
install(FILES ${CMAKE_SOURCE_DIR}/samples/cover.bmp ${CMAKE_SOURCE_DIR}/samples/secret.bmp
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/noxsteg/samples)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/noxsteg.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/icons/noxsteg.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/icons/noxsteg-64.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME noxsteg.png)

# The program run from the build folder finds its read-me beside it, as an installed one does.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/ReadMe.Txt ${CMAKE_CURRENT_BINARY_DIR}/ReadMe.Txt COPYONLY)
