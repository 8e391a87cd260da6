# The warning flags of every Quarrow build, the benchmarks' own project (bench/gui) included.
add_compile_options(-Wall -Wextra -Wpedantic)
if(QUARROW_WERROR)
  add_compile_options(-Werror)
endif()
