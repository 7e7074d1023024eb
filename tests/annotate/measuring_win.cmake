# Measuring on a vector drawing, with the toolkit's data for opening it.
vv_add_test(annotate_win_drawing_measure_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/win32/DrawingMeasureTest.cpp $<TARGET_OBJECTS:app_rc> $<TARGET_OBJECTS:app_toolkit_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET annotate_win_drawing_measure_test)
  add_custom_command(TARGET annotate_win_drawing_measure_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:annotate_win_drawing_measure_test>)
endif()
