# Hostile input for the portable parsers, as ordinary tests in every
# configuration (natively under ASan + UBSan, and under Wine for the MinGW
# builds of the same code). Included from the top-level CMakeLists.txt.
zor_add_test(hostile_input_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/../catalogue/tests/hostile_pages_test.cpp
  LIBS zor_catalogue zor_test_builders)
