# Pictures compiled into the GUI library, one qt_add_resources call per group. Included from
# src/CMakeLists.txt right after the tavulella_gui target exists; paths under resources/ become
# resource paths under ":/" (resources/icons/x.png is ":/icons/x.png").

# The toolbar's pictures, compiled into the GUI library under ":/" (for example
# ":/imgCutButtonUp.bmp"). make_pictures.py draws them.
qt_add_resources(tavulella_gui "pictures"
  PREFIX "/"
  BASE ${CMAKE_SOURCE_DIR}/resources
  FILES
    ${CMAKE_SOURCE_DIR}/resources/imgFileNewButtonUp.bmp
    ${CMAKE_SOURCE_DIR}/resources/imgFileNewButtonDn.bmp
    ${CMAKE_SOURCE_DIR}/resources/imgFileOpenButtonUp.bmp
    ${CMAKE_SOURCE_DIR}/resources/imgFileOpenButtonDn.bmp
    ${CMAKE_SOURCE_DIR}/resources/imgCutButtonUp.bmp
    ${CMAKE_SOURCE_DIR}/resources/imgCutButtonDn.bmp
    ${CMAKE_SOURCE_DIR}/resources/imgCopyButtonUp.bmp
    ${CMAKE_SOURCE_DIR}/resources/imgCopyButtonDn.bmp
    ${CMAKE_SOURCE_DIR}/resources/imgPasteButtonUp.bmp
    ${CMAKE_SOURCE_DIR}/resources/imgPasteButtonDn.bmp
)
# The same pictures drawn for screens of twice and three times the usual density.
foreach(_density 2x 3x)
  foreach(_button FileNew FileOpen Cut Copy Paste)
    foreach(_look Up Dn)
      list(APPEND _dense_pictures ${CMAKE_SOURCE_DIR}/resources/img${_button}Button${_look}@${_density}.bmp)
    endforeach()
  endforeach()
endforeach()
qt_add_resources(tavulella_gui "densepictures"
  PREFIX "/"
  BASE ${CMAKE_SOURCE_DIR}/resources
  FILES ${_dense_pictures}
)

# The About box's two pictures (drawn by resources/about/make_about_icons.py).
qt_add_resources(tavulella_gui "about"
  PREFIX "/"
  BASE ${CMAKE_SOURCE_DIR}/resources
  FILES
    ${CMAKE_SOURCE_DIR}/resources/about/coffee-32.png
    ${CMAKE_SOURCE_DIR}/resources/about/coffee-16.png
    ${CMAKE_SOURCE_DIR}/resources/about/vesuvius-32.png
    ${CMAKE_SOURCE_DIR}/resources/about/vesuvius-16.png
    ${CMAKE_SOURCE_DIR}/resources/about/coffee-32@2x.png
    ${CMAKE_SOURCE_DIR}/resources/about/coffee-32@3x.png
    ${CMAKE_SOURCE_DIR}/resources/about/vesuvius-32@2x.png
    ${CMAKE_SOURCE_DIR}/resources/about/vesuvius-32@3x.png
)

# The program's icon, at the two sizes its windows use and at those sizes on screens of 1.5, 2
# and 3 times the usual density.
qt_add_resources(tavulella_gui "icons" PREFIX "/" BASE ${CMAKE_SOURCE_DIR}/resources FILES
  ${CMAKE_SOURCE_DIR}/resources/icons/tavulella-16.png
  ${CMAKE_SOURCE_DIR}/resources/icons/tavulella-24.png
  ${CMAKE_SOURCE_DIR}/resources/icons/tavulella-32.png
  ${CMAKE_SOURCE_DIR}/resources/icons/tavulella-48.png
  ${CMAKE_SOURCE_DIR}/resources/icons/tavulella-64.png
  ${CMAKE_SOURCE_DIR}/resources/icons/tavulella-96.png)
