vv_add_test(tk_dwg13_file_test SOURCES dwg13_file_test.cpp LIBS toolkit_read)
vv_add_fuzz_target(tk_dwg13_fuzz SOURCES dwg13_fuzz.cpp LIBS toolkit_read SEEDS dwg)
vv_add_benchmark(tk_dwg13_bench SOURCES dwg13_bench.cpp LIBS toolkit_read vv_test_support)
