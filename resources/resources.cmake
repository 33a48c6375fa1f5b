# Pictures compiled into the GUI library, one qt_add_resources call per group. Included from
# src/CMakeLists.txt right after the tavulella_gui target exists; paths under resources/ become
# resource paths under ":/" (resources/icons/x.png is ":/icons/x.png").

# The program's icon, at the two sizes its windows use.
qt_add_resources(tavulella_gui "icons" PREFIX "/" BASE ${CMAKE_SOURCE_DIR}/resources FILES
  ${CMAKE_SOURCE_DIR}/resources/icons/tavulella-16.png
  ${CMAKE_SOURCE_DIR}/resources/icons/tavulella-32.png)
