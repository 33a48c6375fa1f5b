# Pictures compiled into the GUI library. Each group of pictures has its own resource call.

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
