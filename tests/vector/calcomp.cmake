# Tests of the Calcomp plot-stream decoder: every record kind over streams the test writes, and
# a fuzz target over any bytes.
vv_add_test(vector_calcomp_test
  SOURCES CalcompTest.cpp
  LIBS vector_models)

vv_add_fuzz_target(vector_calcomp_fuzz
  SOURCES CalcompFuzz.cpp
  LIBS vector_models
  SEEDS repo:tests/vector/calcomp-seeds)

vv_add_test(vector_drawing_build_test
  SOURCES DrawingBuildTest.cpp
  LIBS vector_models)

# The converter that saves a Calcomp plot as a DWG file, in-process under Wine with the program's
# toolkit resources.
vv_add_test(vector_calcomp_dwg_test
  SOURCES Calcomp2DwgTest.cpp $<$<TARGET_EXISTS:app_toolkit_rc>:$<TARGET_OBJECTS:app_toolkit_rc>>
  LIBS vector_win
  WINDOWS_ONLY GUI)
