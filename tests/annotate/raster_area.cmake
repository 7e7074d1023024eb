# The raster selection's modifier rule and status text.
vv_add_test(annotate_raster_area_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/RasterAreaTest.cpp
  LIBS annotate_models)
