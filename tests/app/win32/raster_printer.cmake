# Raster printing to a parallel port whose device is pointed at a file, with the program's
# resources and the imaging library beside the test program.
vv_add_test(app_raster_printer_test
  SOURCES RasterPrinterTest.cpp $<TARGET_OBJECTS:app_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET app_raster_printer_test)
  add_custom_command(TARGET app_raster_printer_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:app_raster_printer_test>)
endif()
