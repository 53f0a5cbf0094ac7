# The voice database of quenlar-orin (".\data\QuenlarOrin.dat" and
# "Cost.dat"). No speaker has been recorded yet, so the recordings are made
# here, reproducibly: tarvox-data record-corpus chooses words of the
# lexicon's training part (and nonsense words for the diphones that the
# words leave out) and has eSpeak NG speak them from our transcription at one
# pitch; tarvox-data build-database places the pitch marks and writes the
# database, levelled so that doubled samples do not clip.
if(TARGET tarvox_data)
  set(TARVOX_VOICE_RECORDINGS ${PROJECT_BINARY_DIR}/voices/quenlar-orin-recordings)
  add_custom_command(OUTPUT ${TARVOX_VOICE_RECORDINGS}/corpus.txt
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${TARVOX_VOICE_RECORDINGS}
    COMMAND tarvox_data record-corpus ${TARVOX_VOICE_LEXICON} ${TARVOX_VOICE_RECORDINGS}
    DEPENDS tarvox_data ${TARVOX_VOICE_LEXICON}
    COMMENT "Voice quenlar-orin: synthetic recordings")
  add_custom_command(OUTPUT ${TARVOX_VOICE_DIR}/data/QuenlarOrin.dat ${TARVOX_VOICE_DIR}/Cost.dat
    COMMAND tarvox_data build-database ${TARVOX_VOICE_RECORDINGS} -o ${TARVOX_VOICE_DIR} --peak 12000
            --inventory ${TARVOX_VOICE_SRC}/gfp.ini
            --text ${CMAKE_CURRENT_SOURCE_DIR}/corpus/check-phonemes.txt --show 10
    DEPENDS tarvox_data ${TARVOX_VOICE_RECORDINGS}/corpus.txt ${TARVOX_VOICE_SRC}/gfp.ini
            ${CMAKE_CURRENT_SOURCE_DIR}/corpus/check-phonemes.txt
    COMMENT "Voice quenlar-orin: voice database")
  add_custom_target(voice_quenlar_orin_database ALL
    DEPENDS ${TARVOX_VOICE_DIR}/data/QuenlarOrin.dat ${TARVOX_VOICE_DIR}/Cost.dat)
  add_dependencies(voice_quenlar_orin voice_quenlar_orin_database)
endif()

# The database as built, checked through the driver on 100 sentences.
if(TARGET tarvox_data AND TARVOX_TESTS AND NOT CMAKE_CROSSCOMPILING)
  tarvox_test(voice_database_tests
    SOURCES ${PROJECT_SOURCE_DIR}/tools/data/tests/voice_database_test.cpp
    DEPENDS tarvox_core)
  target_compile_definitions(voice_database_tests PRIVATE
    TARVOX_VOICE_BUILD_DIR="${TARVOX_VOICE_DIR}"
    TARVOX_CHECK_PHONEMES="${CMAKE_CURRENT_SOURCE_DIR}/corpus/check-phonemes.txt")
  add_dependencies(voice_database_tests voice_quenlar_orin)
endif()
