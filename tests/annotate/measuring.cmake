# Length units, measuring conversions and the scale arithmetic.
vv_add_test(annotate_measuring_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/UnitsTest.cpp ${CMAKE_CURRENT_LIST_DIR}/ScaleCheckTest.cpp
  LIBS annotate_models)
