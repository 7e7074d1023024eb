# The annotation tools under Wine: mouse input sent to a view of a raster document.
vv_add_test(annotate_win_tools_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/win32/AnnToolsTest.cpp $<TARGET_OBJECTS:app_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET annotate_win_tools_test)
  add_custom_command(TARGET annotate_win_tools_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:annotate_win_tools_test>)
endif()
