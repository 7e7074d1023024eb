# Tests of the object readers of DWG AC1012 to AC1015: framing, entity walk and bodies, table
# records, classes, block records and non-graphical objects, over objects built with the bit
# writer; and the real drawings of the shared test data.
vv_add_test(tk_dwg13_objects_test SOURCES dwg13_object_test.cpp dwg13_entity_test.cpp dwg13_table_test.cpp
            LIBS toolkit_read)
vv_add_test(tk_dwg13_files_test SOURCES dwg13_files_test.cpp LIBS toolkit_read)
vv_add_fuzz_target(tk_dwg13_load_fuzz SOURCES dwg13_load_fuzz.cpp LIBS toolkit_read
                   SEEDS dwg repo:tests/toolkit/read/dwg-seeds)
vv_add_benchmark(tk_dwg13_load_bench SOURCES dwg13_load_bench.cpp LIBS toolkit_read vv_test_support)
vv_add_test(tk_dwg13_load_test SOURCES dwg13_load_test.cpp LIBS toolkit_read)
# The typed object records that the DWG, text DXF and binary DXF readers make of one drawing.
vv_add_test(tk_object_twins_test SOURCES object_twins_test.cpp LIBS toolkit_read vv_test_support)
