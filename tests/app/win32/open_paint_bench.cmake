# The open-to-first-paint benchmark: a plain program of the Windows build, run by hand under
# Wine (not a test), with the program's resources and the imaging library beside it.
if(VV_BUILD_TESTS AND WIN32)
  add_executable(open_paint_bench OpenPaintBench.cpp LargeDxf.cpp
                 $<TARGET_OBJECTS:app_rc> $<TARGET_OBJECTS:app_toolkit_rc>)
  target_link_libraries(open_paint_bench PRIVATE app_win vv_test_support)
  add_custom_command(TARGET open_paint_bench POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:open_paint_bench>)
endif()

# "Edit/Copy vectors" of a 300,000-entity drawing: time and metafile size, run by hand under Wine.
if(VV_BUILD_TESTS AND WIN32)
  add_executable(copy_vectors_bench CopyVectorsBench.cpp $<TARGET_OBJECTS:app_rc> $<TARGET_OBJECTS:app_toolkit_rc>)
  target_link_libraries(copy_vectors_bench PRIVATE app_win vv_test_support)
  add_custom_command(TARGET copy_vectors_bench POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zeri8v98> $<TARGET_FILE_DIR:copy_vectors_bench>)
endif()
