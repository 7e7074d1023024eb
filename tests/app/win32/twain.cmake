# Scanning through Wine's TWAIN source manager against a data source of the tests' own, which
# the test installs in the manager's sources folder while it runs.
vv_add_test(app_twain_test
  SOURCES TwainTest.cpp $<TARGET_OBJECTS:app_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET app_twain_test)
  add_library(vv_twain_test_source SHARED TwainTestSource.cpp)
  set_target_properties(vv_twain_test_source PROPERTIES PREFIX "")
  target_include_directories(app_twain_test PRIVATE "${CMAKE_SOURCE_DIR}/tests/framework/win32")
  add_dependencies(app_twain_test vv_twain_test_source)
  add_custom_command(TARGET app_twain_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:app_twain_test>
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:vv_twain_test_source>
            $<TARGET_FILE_DIR:app_twain_test>/twain_test_source.dll)
endif()
# Alone: while it runs, every program of the prefix sees the test source (the scanning test's
# "no source" cases among them).
if(TEST app_twain_test)
  set_tests_properties(app_twain_test PROPERTIES RUN_SERIAL TRUE)
endif()
