# Warnings for our own targets; third-party headers come in as system includes.
function(quenrith_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
endfunction()
