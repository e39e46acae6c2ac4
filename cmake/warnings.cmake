# Warnings for the project's own targets; link it PRIVATE.
add_library(korvel_warnings INTERFACE)
add_library(korvel::warnings ALIAS korvel_warnings)
target_compile_options(korvel_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wpedantic -Wshadow>
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Wpedantic>)
