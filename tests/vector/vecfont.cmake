# Tests of the named layer lists, TrueType glyph outlines and the font and reference locators.
vv_add_test(vector_layerlist_test
  SOURCES LayerListTest.cpp
  LIBS vector_models)

vv_add_test(vector_truetype_test
  SOURCES TrueTypeTextTest.cpp
  LIBS vector_models)

vv_add_fuzz_target(vector_layerlist_fuzz
  SOURCES LayerListFuzz.cpp
  LIBS vector_models
  SEEDS repo:tests/vector/layerlist-seeds)

vv_add_test(vector_locator_test
  SOURCES LocatorPathsTest.cpp
  LIBS vector_models)

vv_add_test(vector_truetype_locator_test
  SOURCES TrueTypeLocatorTest.cpp
  LIBS vector_win
  WINDOWS_ONLY)
