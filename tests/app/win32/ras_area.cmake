# The raster-area tools, the selection in the view and the drawing-scale dialog, with the
# program's resources.
vv_add_test(app_ras_area_test
  SOURCES RasAreaToolsTest.cpp $<TARGET_OBJECTS:app_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET app_ras_area_test)
  add_custom_command(TARGET app_ras_area_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:app_ras_area_test>)
endif()
