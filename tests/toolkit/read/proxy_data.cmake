vv_add_test(tk_proxy_data_test SOURCES proxy_data_test.cpp LIBS toolkit_read toolkit_write)
vv_add_fuzz_target(tk_proxy_data_fuzz SOURCES proxy_data_fuzz.cpp LIBS toolkit_read
  SEEDS dwg)
