# The second bundled voice, "Quenlar Tevo" (${PROJECT_BINARY_DIR}/voices/
# quenlar-tevo): a female speaker, recorded synthetically like quenlar-orin
# but by eSpeak NG's female variant "f4" at about 200 Hz. Its own files are
# sint.ini and mikro.ini (the pitch tables raised for a female speaker); the
# converter and macro-prosody profiles, the dictionaries, the index and the
# syllable statistics are quenlar-orin's, copied from its build.
set(TARVOX_TEVO_SRC ${CMAKE_CURRENT_SOURCE_DIR}/quenlar-tevo)
set(TARVOX_TEVO_DIR ${PROJECT_BINARY_DIR}/voices/quenlar-tevo)
set(TARVOX_TEVO_ESPEAK_VOICE "sl+f4")
set(TARVOX_TEVO_ESPEAK_PITCH 70)

set(tevo_outputs)
foreach(file sint.ini mikro.ini)
  add_custom_command(OUTPUT ${TARVOX_TEVO_DIR}/${file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TARVOX_TEVO_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TARVOX_TEVO_SRC}/${file} ${TARVOX_TEVO_DIR}/${file}
    DEPENDS ${TARVOX_TEVO_SRC}/${file}
    COMMENT "Voice quenlar-tevo: ${file}")
  list(APPEND tevo_outputs ${TARVOX_TEVO_DIR}/${file})
endforeach()

# Files shared with quenlar-orin, taken from its build directory (those it
# makes only where the tools are built).
set(tevo_shared gfp.ini makro.ini slovarji/osnovni.dct)
if(TARGET tarvox_langdata_tool)
  list(APPEND tevo_shared slovarji/leksikon.dct stat/vzn.out stat/vc.out stat/vzn_e.out
       stat/vzn_o.out stat/vc_e.out stat/vc_o.out)
  if(TARGET tarvox_data)
    list(APPEND tevo_shared data/QuenlarOrin.ndx)
  endif()
endif()
foreach(file ${tevo_shared})
  get_filename_component(sub ${TARVOX_TEVO_DIR}/${file} DIRECTORY)
  add_custom_command(OUTPUT ${TARVOX_TEVO_DIR}/${file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${sub}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TARVOX_VOICE_DIR}/${file} ${TARVOX_TEVO_DIR}/${file}
    DEPENDS ${TARVOX_VOICE_DIR}/${file}
    COMMENT "Voice quenlar-tevo: ${file} from quenlar-orin")
  list(APPEND tevo_outputs ${TARVOX_TEVO_DIR}/${file})
endforeach()

# The recordings and the database. The database keeps the name the engine
# reads (".\data\QuenlarOrin.dat").
if(TARGET tarvox_data)
  set(TARVOX_TEVO_RECORDINGS ${PROJECT_BINARY_DIR}/voices/quenlar-tevo-recordings)
  add_custom_command(OUTPUT ${TARVOX_TEVO_RECORDINGS}/corpus.txt
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${TARVOX_TEVO_RECORDINGS}
    COMMAND tarvox_data record-corpus ${TARVOX_VOICE_LEXICON} ${TARVOX_TEVO_RECORDINGS}
            --voice ${TARVOX_TEVO_ESPEAK_VOICE} --pitch ${TARVOX_TEVO_ESPEAK_PITCH}
    DEPENDS tarvox_data ${TARVOX_VOICE_LEXICON}
    COMMENT "Voice quenlar-tevo: synthetic recordings")
  add_custom_command(OUTPUT ${TARVOX_TEVO_DIR}/data/QuenlarOrin.dat ${TARVOX_TEVO_DIR}/Cost.dat
    COMMAND tarvox_data build-database ${TARVOX_TEVO_RECORDINGS} -o ${TARVOX_TEVO_DIR} --peak 12000
            --inventory ${TARVOX_VOICE_SRC}/gfp.ini
            --text ${CMAKE_CURRENT_SOURCE_DIR}/corpus/check-phonemes.txt --show 10
    DEPENDS tarvox_data ${TARVOX_TEVO_RECORDINGS}/corpus.txt ${TARVOX_VOICE_SRC}/gfp.ini
            ${CMAKE_CURRENT_SOURCE_DIR}/corpus/check-phonemes.txt
    COMMENT "Voice quenlar-tevo: voice database")
  list(APPEND tevo_outputs ${TARVOX_TEVO_DIR}/data/QuenlarOrin.dat ${TARVOX_TEVO_DIR}/Cost.dat)
endif()

add_custom_target(voice_quenlar_tevo ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TARVOX_TEVO_DIR}/log
  DEPENDS ${tevo_outputs}
  COMMENT "Voice directory quenlar-tevo")
install(DIRECTORY ${TARVOX_TEVO_DIR} DESTINATION share/tarvox/voices)
