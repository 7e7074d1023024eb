# The scanning commands against stand-ins of the outside scanning programs (one program that
# plays both, and an empty support library), with the program's resources and the imaging
# library beside the test program.
vv_add_test(app_scan_test
  SOURCES ScanTest.cpp $<TARGET_OBJECTS:app_rc>
  LIBS app_win
  WINDOWS_ONLY GUI)
if(TARGET app_scan_test)
  add_executable(vv_scan_stub ScanStub.cpp)
  add_library(vv_lumiq_stub SHARED LumiqStub.cpp)
  target_include_directories(app_scan_test PRIVATE "${CMAKE_SOURCE_DIR}/tests/framework/win32")
  add_dependencies(app_scan_test vv_scan_stub vv_lumiq_stub)
  # The stand-ins lie beside the test under names the program never looks for; the tests copy
  # them to the names looked for only while a case needs them.
  add_custom_command(TARGET app_scan_test POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:app_scan_test>
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:vv_scan_stub> $<TARGET_FILE_DIR:app_scan_test>/scan_stub.exe
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:vv_lumiq_stub> $<TARGET_FILE_DIR:app_scan_test>/lumiq_stub.dll)
endif()
