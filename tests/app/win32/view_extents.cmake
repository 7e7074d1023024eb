# The view's zoom entire over vector drawings, with the toolkit's data for opening them.
vv_add_test(app_view_extents_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewExtentsTest.cpp $<TARGET_OBJECTS:app_rc> $<TARGET_OBJECTS:app_toolkit_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET app_view_extents_test)
  add_custom_command(TARGET app_view_extents_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:app_view_extents_test>)
endif()
