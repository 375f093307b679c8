# Helpers shared by the folders under src/.

# -Wrestrict: GCC 12 reports std::string concatenation wrongly at -O3.
set(KORVANE_WARNINGS -Wall -Wextra -Wpedantic -Werror -Wno-restrict)

# Collects the sources of the given folders, tests and benchmarks left out.
function(korvane_sources out)
  set(all "")
  foreach(dir IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(FILTER found EXCLUDE REGEX "_(test|bench)\\.cpp$")
    list(APPEND all ${found})
  endforeach()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# One test program per *_test.cpp in the given folder, linked to the given
# libraries, its cases registered with CTest under the folder's label.
function(korvane_tests dir label)
  file(GLOB tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  foreach(src IN LISTS tests)
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock
      PkgConfig::HTTPLIB)
    target_compile_options(${name} PRIVATE ${KORVANE_WARNINGS})
    target_compile_definitions(${name} PRIVATE KORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    gtest_discover_tests(${name} NO_PRETTY_VALUES PROPERTIES LABELS ${label} DISCOVERY_TIMEOUT 60)
  endforeach()
endfunction()

# One benchmark program per *_bench.cpp in the given folder, linked to the
# given libraries and to Google Benchmark's main; all of them are built by the
# target korvane_benchmarks.
function(korvane_benchmarks dir)
  file(GLOB benches CONFIGURE_DEPENDS ${dir}/*_bench.cpp)
  if(NOT TARGET korvane_benchmarks)
    add_custom_target(korvane_benchmarks)
  endif()
  foreach(src IN LISTS benches)
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ${ARGN} benchmark::benchmark benchmark::benchmark_main)
    target_compile_definitions(${name} PRIVATE KORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    target_compile_options(${name} PRIVATE ${KORVANE_WARNINGS})
    add_dependencies(korvane_benchmarks ${name})
  endforeach()
endfunction()
