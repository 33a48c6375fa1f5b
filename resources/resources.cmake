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
