# Third-party libraries, compiled with the cross compiler from Debian's source
# packages (fetched and unpacked by tools/fetch-thirdparty.sh, cached).

set(THIRDPARTY_DIR "" CACHE PATH "Folder with the unpacked sqlite3, tinyxml and benchmark trees")
if(NOT THIRDPARTY_DIR)
    execute_process(
        COMMAND bash ${CMAKE_SOURCE_DIR}/tools/fetch-thirdparty.sh
        OUTPUT_VARIABLE fetched OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE fetch_result)
    if(NOT fetch_result EQUAL 0)
        message(FATAL_ERROR "tools/fetch-thirdparty.sh failed")
    endif()
    set(THIRDPARTY_DIR "${fetched}" CACHE PATH "" FORCE)
endif()

# SQLite: the amalgamation. API armor turns calls on a closed (null)
# connection into SQLITE_MISUSE instead of a crash.
add_library(sqlite3_static STATIC ${THIRDPARTY_DIR}/sqlite3/sqlite3.c)
target_include_directories(sqlite3_static SYSTEM PUBLIC ${THIRDPARTY_DIR}/sqlite3)
target_compile_definitions(sqlite3_static PRIVATE
    SQLITE_THREADSAFE=1 SQLITE_ENABLE_API_ARMOR=1 SQLITE_OMIT_LOAD_EXTENSION=1)
target_compile_options(sqlite3_static PRIVATE -O2 -w)

# The sqlite3 shell of the same source, on the same library: the baseline
# fpctl's lists are measured against (bench/FpctlBench.cpp).
add_executable(sqlite3_shell EXCLUDE_FROM_ALL ${THIRDPARTY_DIR}/sqlite3/shell.c)
target_compile_definitions(sqlite3_shell PRIVATE SQLITE_OMIT_LOAD_EXTENSION=1)
# It calls the ANSI forms of the platform functions.
target_compile_options(sqlite3_shell PRIVATE -O2 -w -UUNICODE -U_UNICODE)
target_link_libraries(sqlite3_shell PRIVATE sqlite3_static)

# TinyXML 2.6 (Debian's build enforces TIXML_USE_STL in the header).
set(tinyxml_dir ${THIRDPARTY_DIR}/tinyxml)
add_library(tinyxml_static STATIC
    ${tinyxml_dir}/tinyxml.cpp ${tinyxml_dir}/tinyxmlparser.cpp
    ${tinyxml_dir}/tinyxmlerror.cpp ${tinyxml_dir}/tinystr.cpp)
target_include_directories(tinyxml_static SYSTEM PUBLIC ${tinyxml_dir})
target_compile_definitions(tinyxml_static PUBLIC TIXML_USE_STL)
target_compile_options(tinyxml_static PRIVATE -O2 -w)

# GoogleTest from Debian's googletest package sources.
set(GOOGLETEST_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest source tree")
add_library(gtest STATIC ${GOOGLETEST_DIR}/src/gtest-all.cc)
target_include_directories(gtest SYSTEM PUBLIC ${GOOGLETEST_DIR}/include PRIVATE ${GOOGLETEST_DIR})
target_compile_options(gtest PRIVATE -w)
add_library(gtest_main STATIC ${GOOGLETEST_DIR}/src/gtest_main.cc)
target_link_libraries(gtest_main PUBLIC gtest)

# Google Benchmark.
set(benchmark_dir ${THIRDPARTY_DIR}/benchmark)
file(GLOB benchmark_sources ${benchmark_dir}/src/*.cc)
list(FILTER benchmark_sources EXCLUDE REGEX "benchmark_main\\.cc$")
add_library(benchmark_static STATIC ${benchmark_sources})
target_include_directories(benchmark_static SYSTEM PUBLIC ${benchmark_dir}/include)
target_compile_definitions(benchmark_static PUBLIC BENCHMARK_STATIC_DEFINE PRIVATE HAVE_STD_REGEX)
# Its Windows code calls the ANSI forms of the platform functions.
target_compile_options(benchmark_static PRIVATE -O2 -w -UUNICODE -U_UNICODE)
target_link_libraries(benchmark_static PUBLIC shlwapi)
