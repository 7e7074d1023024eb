vv_add_test(tk_dwg13_file_test SOURCES dwg13_file_test.cpp LIBS toolkit_read)
