# The commands of a vector drawing document (layers, properties, display settings, view modes,
# snapping, copying, thumbnails) and the raster region copy, with the program's resources, the
# toolkit's resources and the imaging library beside the test program.
vv_add_test(app_vector_commands_test
  SOURCES VectorCommandsTest.cpp $<TARGET_OBJECTS:app_rc> $<TARGET_OBJECTS:app_toolkit_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET app_vector_commands_test)
  add_custom_command(TARGET app_vector_commands_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:app_vector_commands_test>)
  # The clipboard is the machine's: the tests that use it do not run beside each other.
  set_tests_properties(app_vector_commands_test PROPERTIES RUN_SERIAL TRUE)
endif()
