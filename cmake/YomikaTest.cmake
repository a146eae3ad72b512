# How every test is run: headless, in a HOME of its own under the build
# folder, so that no test reads or writes the developer's settings, caches or
# runtime files. The home is made anew at each run of the test.

# yomika_test_command(OUT_COMMAND OUT_ENVIRONMENT NAME COMMAND...): the command
# line that runs COMMAND in a fresh private home for the test NAME, and the
# environment entries that point HOME and the XDG folders into it.
function(yomika_test_command out_command out_environment name)
  set(home "${CMAKE_BINARY_DIR}/testhome/${name}")
  set(${out_environment}
      "HOME=${home}"
      "XDG_CONFIG_HOME=${home}/.config"
      "XDG_CACHE_HOME=${home}/.cache"
      "XDG_DATA_HOME=${home}/.local/share"
      "XDG_RUNTIME_DIR=${home}/runtime"
      PARENT_SCOPE)
  if(UNIX)
    # Qt wants the runtime folder private (mode 700), or it warns and goes elsewhere.
    set(${out_command} sh -c
        "rm -rf \"$HOME\" && mkdir -p \"$XDG_CONFIG_HOME\" \"$XDG_CACHE_HOME\" && mkdir -m 700 \"$XDG_RUNTIME_DIR\" && exec \"$0\" \"$@\""
        ${ARGN} PARENT_SCOPE)
  elseif(CMAKE_HOST_UNIX)
    # Built here for Windows: run under Wine, through the runner that finds
    # the cross toolchain's DLLs and plugins.
    set(${out_command} bash "${CMAKE_SOURCE_DIR}/windows/wine-test.sh" --qtest ${ARGN} PARENT_SCOPE)
  else()
    file(MAKE_DIRECTORY "${home}/runtime")
    set(${out_command} ${ARGN} PARENT_SCOPE)
  endif()
endfunction()

# Where the Wine runner finds the cross toolchain: the folder of the
# toolchain file, which windows/toolchain.sh keeps beside qt/ and mecab/, and
# Wine's prefix beside that folder.
set(YOMIKA_WINE_ENVIRONMENT "")
if(WIN32 AND CMAKE_HOST_UNIX)
  get_filename_component(toolchain_dir "${CMAKE_TOOLCHAIN_FILE}" DIRECTORY)
  get_filename_component(toolchain_cache "${toolchain_dir}" DIRECTORY)
  set(YOMIKA_WINEPREFIX "${toolchain_cache}/wine" CACHE PATH "Wine's prefix for the Windows tests")
  set(YOMIKA_WINE_ENVIRONMENT
      "YOMIKA_WIN_QT=${toolchain_dir}/qt;YOMIKA_WIN_MECAB=${toolchain_dir}/mecab;YOMIKA_WINEPREFIX=${YOMIKA_WINEPREFIX}")
endif()

# yomika_add_test(NAME name SOURCES a.cc b.cc LIBS lib1 lib2 [TIMEOUT seconds])
# One Qt Test executable run by CTest.
function(yomika_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} Qt6::Test yomika_compile_settings)
  # Tests spell their expectations as plain literals.
  target_compile_options(${T_NAME} PRIVATE -UQT_NO_CAST_FROM_ASCII)
  target_compile_definitions(${T_NAME} PRIVATE
      YOMIKA_SOURCE_DIR="${YOMIKA_TARGET_ROOT}${CMAKE_SOURCE_DIR}"
      YOMIKA_BINARY_DIR="${YOMIKA_TARGET_ROOT}${CMAKE_BINARY_DIR}"
      YOMIKA_VECTORS_DIR="${YOMIKA_TARGET_ROOT}${CMAKE_SOURCE_DIR}/tests/vectors")
  yomika_add_test_run(NAME ${T_NAME} TARGET ${T_NAME} TIMEOUT "${T_TIMEOUT}")
endfunction()

# yomika_add_test_run(NAME name TARGET test [ARGS a b] [WRAPPER cmd...] [TIMEOUT seconds])
# One more CTest run of the Qt Test executable TARGET, with ARGS after it
# (such as the names of the cases to run), in the same private home and
# environment as every test; WRAPPER, when given, is the command that runs
# the whole (it prepares what the run needs, and passes the rest on).
function(yomika_add_test_run)
  cmake_parse_arguments(R "" "NAME;TARGET;TIMEOUT" "ARGS;WRAPPER" ${ARGN})
  yomika_test_command(command home ${R_NAME} $<TARGET_FILE:${R_TARGET}> ${R_ARGS})
  add_test(NAME ${R_NAME} COMMAND ${R_WRAPPER} ${command})
  if(NOT R_TIMEOUT)
    set(R_TIMEOUT 300)
  endif()
  set_tests_properties(${R_NAME} PROPERTIES TIMEOUT ${R_TIMEOUT}
      ENVIRONMENT "${home};${YOMIKA_WINE_ENVIRONMENT};QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/.ci/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
