# Tests of the vector drawing object's arithmetic: fitting, view modes, version texts, colours and
# pen slots, snapping.
vv_add_test(vector_dwg_model_test
  SOURCES DwgFitTest.cpp DwgSnapTest.cpp AciPaletteTest.cpp
  LIBS vector_models)
