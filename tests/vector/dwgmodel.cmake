# Tests of the vector drawing object's arithmetic: fitting, view modes, version texts, colours and
# pen slots, snapping, the layer dialog and the properties dialog.
vv_add_test(vector_dwg_model_test
  SOURCES DwgFitTest.cpp DwgSnapTest.cpp AciPaletteTest.cpp LayerDialogModelTest.cpp
  LIBS vector_models)

# The real program opening the shared drawings as documents, from its command line and through
# DDE, under Wine.
vv_add_test(vector_dwg_document_test
  SOURCES DwgDocumentTest.cpp
  WINDOWS_ONLY GUI)
if(TARGET vector_dwg_document_test)
  add_dependencies(vector_dwg_document_test Vellview)
  # Alone: the shell's broadcasts wait on every top-level window of every running program.
  set_tests_properties(vector_dwg_document_test PROPERTIES RUN_SERIAL TRUE)
endif()

# The vector drawing object in-process, with the program's toolkit resources (init data and
# shape fonts).
vv_add_test(vector_dwg_test
  SOURCES DwgTest.cpp $<$<TARGET_EXISTS:app_toolkit_rc>:$<TARGET_OBJECTS:app_toolkit_rc>>
  LIBS vector_win
  WINDOWS_ONLY GUI)
