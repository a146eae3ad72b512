# yomika_add_test(NAME name SOURCES a.cc b.cc LIBS lib1 lib2)
# One Qt Test executable run by CTest, headless, in its own temporary HOME so
# that no test reads or writes the developer's settings.
function(yomika_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test yomika_compile_settings)
  # Tests spell their expectations as plain literals.
  target_compile_options(${T_NAME} PRIVATE -UQT_NO_CAST_FROM_ASCII)
  target_compile_definitions(${T_NAME} PRIVATE
      YOMIKA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
      YOMIKA_BINARY_DIR="${CMAKE_BINARY_DIR}"
      YOMIKA_VECTORS_DIR="${CMAKE_SOURCE_DIR}/tests/vectors")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/.ci/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
