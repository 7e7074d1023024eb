vv_add_test(tk_readers_test SOURCES readers_test.cpp LIBS toolkit_read)
