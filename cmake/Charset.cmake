# Every string literal of the program is Shift-JIS (CP932) at run time; sources are UTF-8.
# clang only knows UTF-8 as execution charset: the fuzz build keeps UTF-8 literals, which
# changes log texts only.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8> $<$<COMPILE_LANGUAGE:CXX>:-fexec-charset=CP932>)
  set(QUENRITH_CP932_LITERALS ON)
else()
  set(QUENRITH_CP932_LITERALS OFF)
endif()
