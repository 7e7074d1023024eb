# Tests, fuzz target and benchmark of the DXF reader.
vv_add_test(tk_dxf_files_test SOURCES dxf_files_test.cpp LIBS toolkit_read)
