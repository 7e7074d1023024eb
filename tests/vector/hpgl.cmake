# Tests of the HP-GL plot-file converter: instruction families natively, hp2xx as an oracle over
# the shared plot files, and a fuzz target over any bytes.
vv_add_test(vector_hpgl_test
  SOURCES HpglTest.cpp
  LIBS vector_models)

vv_add_fuzz_target(vector_hpgl_fuzz
  SOURCES HpglFuzz.cpp
  LIBS vector_models
  SEEDS hpgl repo:tests/vector/hpgl-seeds)

# hp2xx runs where the native tests run.
if(NOT WIN32)
  vv_add_test(vector_hpgl_oracle_test
    SOURCES HpglOracleTest.cpp
    LIBS vector_models)
endif()

vv_add_test(vector_tavelo_model_test
  SOURCES TaveloModelTest.cpp
  LIBS vector_models)

vv_add_test(vector_tavelo_test
  SOURCES TaveloTest.cpp
  LIBS vector_models)

vv_add_benchmark(vector_plot_bench
  SOURCES PlotBench.cpp
  LIBS vector_models)
