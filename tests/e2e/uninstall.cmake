# The uninstaller and the editor's stand-in under Wine (uninstall_test.cpp, tagwright_test.cpp), in
# e2e_tests: after a real install, and in installs made by hand with the built programs.
target_sources(e2e_tests PRIVATE program_process.cpp tagwright_test.cpp uninstall_test.cpp)
target_include_directories(e2e_tests PRIVATE "${CMAKE_SOURCE_DIR}/sample/tagwright")
# (The planted-DLL scenario uses the marker DLL and control program of planted/.)
add_dependencies(e2e_tests uninstall_program tagwright_program)

set(uninstall_environment ${e2e_environment}
  "TGW_E2E_UNINSTALL=$<TARGET_FILE:uninstall_program>"
  "TGW_E2E_TAGWRIGHT=$<TARGET_FILE:tagwright_program>")
tgw_e2e_test(e2e_uninstall_round_trip "UninstallRoundTrip.*" 300)
tgw_e2e_test(e2e_uninstall "Uninstall.*" 240)
tgw_e2e_test(e2e_tagwright "Tagwright.*" 120)
tgw_e2e_test(e2e_uninstall_planted_dlls "UninstallPlantedDlls.*" 120)
set_tests_properties(e2e_uninstall_round_trip e2e_uninstall e2e_tagwright
                     e2e_uninstall_planted_dlls PROPERTIES
  ENVIRONMENT "${uninstall_environment}")
