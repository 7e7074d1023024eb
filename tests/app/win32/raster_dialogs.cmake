# The raster dialogs and the settings sheet, opened through the document's and the application's
# commands, with the program's resources and the imaging library beside the test program.
vv_add_test(app_raster_dialogs_test
  SOURCES RasterDlgTest.cpp $<TARGET_OBJECTS:app_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET app_raster_dialogs_test)
  target_include_directories(app_raster_dialogs_test PRIVATE "${CMAKE_SOURCE_DIR}/tests/framework/win32")
  add_custom_command(TARGET app_raster_dialogs_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:app_raster_dialogs_test>)
endif()
