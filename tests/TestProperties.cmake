# Every test runs headless and silent. The whole-show runs hold one of two locks and may run side by side;
# tests that watch an audio thread against the wall clock hold both, so no whole-show run shares the
# processor with them.
foreach(test IN LISTS quessaly_tests_TESTS quessaly_allocation_tests_TESTS)
  set_tests_properties(${test} PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy")
  if(test MATCHES "^(SdlAudioDeviceTest|BadInputTest\\.(BrokenSoundtrack|WithoutASoundCard))")
    set_tests_properties(${test} PROPERTIES RESOURCE_LOCK "whole_show_a;whole_show_b")
  elseif(test MATCHES "^DrawPaths\\.")
    # By far the longest: started first, it runs beside most of the rest.
    set_tests_properties(${test} PROPERTIES RESOURCE_LOCK whole_show_a COST 1000)
  elseif(test MATCHES "^GLBackends\\.")
    # The second longest, started next, beside the first.
    set_tests_properties(${test} PROPERTIES RESOURCE_LOCK whole_show_b COST 900)
  elseif(test MATCHES "^(BadInputTest|NoAllocationPerFrameTest|LineWidths)\\.")
    set_tests_properties(${test} PROPERTIES RESOURCE_LOCK whole_show_b)
  endif()
endforeach()
