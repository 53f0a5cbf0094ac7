# The protocol session of sd_tarvox, a library so that tests and the
# benchmark drive it without processes. It speaks only through the C
# interface of libtarvox (and takes the engine's UTF-8 helpers from the text
# library), so it builds without the tools' libraries: ./run tsan runs its
# threaded tests with ThreadSanitizer.
set(tarvox_sd_dir ${CMAKE_CURRENT_LIST_DIR})
add_library(sd_tarvox_session STATIC ${tarvox_sd_dir}/protocol.cpp ${tarvox_sd_dir}/speech_text.cpp
                                     ${tarvox_sd_dir}/module_session.cpp)
target_include_directories(sd_tarvox_session PUBLIC ${tarvox_sd_dir} ${PROJECT_SOURCE_DIR}/engine)
target_link_libraries(sd_tarvox_session PUBLIC tarvox Threads::Threads PRIVATE tarvox_text tarvox_manifest)
tarvox_warnings(sd_tarvox_session)

# The session in this process, speaking from its worker thread.
tarvox_test(sd_session_tests
  SOURCES ${tarvox_sd_dir}/tests/module_session_test.cpp
  DEPENDS sd_tarvox_session)
if(TARGET sd_session_tests)
  target_compile_definitions(sd_session_tests PRIVATE
    TARVOX_VOICE_BUILD_DIR="${TARVOX_TEST_VOICES_DIR}/quenlar-orin")
endif()
