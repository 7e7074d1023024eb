# Tests, fuzz target and benchmark of the DXF reader.
vv_add_test(tk_dxf_group_test SOURCES dxf_group_test.cpp LIBS toolkit_read)
vv_add_test(tk_dxf_load_test SOURCES dxf_load_test.cpp LIBS toolkit_read)
vv_add_test(tk_dxf_files_test SOURCES dxf_files_test.cpp LIBS toolkit_read)
vv_add_fuzz_target(tk_dxf_fuzz SOURCES dxf_fuzz.cpp LIBS toolkit_read
                   SEEDS dxf dxf-binary repo:tests/toolkit/read/dxf-seeds)
vv_add_benchmark(tk_dxf_bench SOURCES dxf_bench.cpp LIBS toolkit_read)
