# Pictures compiled into the GUI library. Each group of pictures has its own resource call.

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

# The About box's two pictures (drawn by resources/about/make_about_icons.py).
qt_add_resources(tavulella_gui "about"
  PREFIX "/"
  BASE ${CMAKE_SOURCE_DIR}/resources
  FILES
    ${CMAKE_SOURCE_DIR}/resources/about/coffee-32.png
    ${CMAKE_SOURCE_DIR}/resources/about/coffee-16.png
    ${CMAKE_SOURCE_DIR}/resources/about/vesuvius-32.png
    ${CMAKE_SOURCE_DIR}/resources/about/vesuvius-16.png
)
