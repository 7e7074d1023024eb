# The document's OLE items (embedded objects, the embedded item) under Wine's OLE, with the
# program's resources and the imaging library beside the test program.
vv_add_test(app_ole_items_test
  SOURCES OleItemsTest.cpp $<TARGET_OBJECTS:app_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET app_ole_items_test)
  target_include_directories(app_ole_items_test PRIVATE "${CMAKE_SOURCE_DIR}/tests/framework/win32")
  add_custom_command(TARGET app_ole_items_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:app_ole_items_test>)
endif()
