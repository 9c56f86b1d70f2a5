# Warning flags shared by every target of ours.
add_library(tgw_warnings INTERFACE)
target_compile_options(tgw_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Wunused
  -Woverloaded-virtual -Wnull-dereference -Wdouble-promotion -Wformat=2
  $<$<BOOL:${TGW_WERROR}>:-Werror>)

# Stricter still for the portable code (platform interfaces, engine, wizard, packer, tgwloadcfg):
# every narrowing and sign change is spelled out, and casts are the C++ ones.
add_library(tgw_strict_warnings INTERFACE)
target_compile_options(tgw_strict_warnings INTERFACE
  -Wconversion -Wsign-conversion -Wold-style-cast)
target_link_libraries(tgw_strict_warnings INTERFACE tgw_warnings)
