# Annotation objects, layers, the annotation set and its side file.
vv_add_test(annotate_models_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AnnObjTest.cpp ${CMAKE_CURRENT_LIST_DIR}/VlrTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AnnLayerListTest.cpp ${CMAKE_CURRENT_LIST_DIR}/AnnClipTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AnnDlgFieldsTest.cpp
  LIBS annotate_models)
if(TARGET annotate_models_test)
  target_include_directories(annotate_models_test PRIVATE "${CMAKE_SOURCE_DIR}/tests/framework")
endif()

# Arbitrary bytes read as a side file and as an index file.
vv_add_fuzz_target(annotate_vlr_fuzz
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/VlrFuzz.cpp
  LIBS annotate_models
  SEEDS repo:tests/annotate/fuzz-seeds/vlr)
