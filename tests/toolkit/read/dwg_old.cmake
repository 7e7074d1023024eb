# Tests of the reader of DWG files of AC1002 to AC1009 and of the DWG file check; the fuzz
# target opens arbitrary bytes as such a file through the open road.
vv_add_test(tk_dwg_old_header_test SOURCES dwg_old_header_test.cpp LIBS toolkit_read)
vv_add_test(tk_dwg_old_entity_test SOURCES dwg_old_entity_test.cpp LIBS toolkit_read)
vv_add_test(tk_dwg_old_tables_test SOURCES dwg_old_tables_test.cpp LIBS toolkit_read)
vv_add_test(tk_dwg_check_test SOURCES dwg_check_test.cpp LIBS toolkit_read)
vv_add_test(tk_dwg_old_files_test SOURCES dwg_old_files_test.cpp LIBS toolkit_read)
# Files of every release made by this toolkit's writer, read back against what it was given.
vv_add_test(tk_dwg_old_written_test SOURCES dwg_old_written_test.cpp LIBS toolkit_save)
vv_add_fuzz_target(tk_dwg_old_fuzz SOURCES dwg_old_fuzz.cpp LIBS toolkit_read SEEDS dwg refused)
vv_add_benchmark(tk_dwg_old_bench SOURCES dwg_old_bench.cpp LIBS toolkit_read)
