# The small dialogs and controls of the application shell, with the program's resources.
vv_add_test(app_small_dialogs_test
  SOURCES SmallDialogsTest.cpp $<TARGET_OBJECTS:app_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET app_small_dialogs_test)
  add_custom_command(TARGET app_small_dialogs_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:app_small_dialogs_test>)
endif()
