# Printing through the print system the test run starts (CUPS with the cups-pdf printer): the
# view's print road and the shell's print command, with the program's resources, the toolkit's
# resources and the imaging library beside the test program.
vv_add_test(app_print_test
  SOURCES PrintTest.cpp $<TARGET_OBJECTS:app_rc> $<TARGET_OBJECTS:app_toolkit_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET app_print_test)
  add_custom_command(TARGET app_print_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:app_print_test>)
  # The print jobs and the PDF folder are the machine's: one printing test program at a time.
  set_tests_properties(app_print_test PROPERTIES RUN_SERIAL TRUE TIMEOUT 900)
endif()

# Printing an A0 G4 sheet and the 300,000-entity drawing to the PDF printer: times and memory,
# a plain program run by hand under Wine with CUPS started (not a test).
if(VV_BUILD_TESTS AND WIN32)
  add_executable(print_bench PrintBench.cpp LargeDxf.cpp $<TARGET_OBJECTS:app_rc> $<TARGET_OBJECTS:app_toolkit_rc>)
  target_link_libraries(print_bench PRIVATE app_win vv_test_support)
  add_custom_command(TARGET print_bench POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:print_bench>)
endif()
