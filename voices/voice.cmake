# tarvox_build_voice(DIR): builds the voice whose sources lie in
# voices/DIR into ${PROJECT_BINARY_DIR}/voices/DIR, as the target
# voice_<DIR with "_" for "-">, and installs it.
#
# voices/DIR/build.cmake may set, before the build:
#   VOICE_BASE          a voice whose built files this one takes where its
#                       own sources have none (profiles, dictionaries, the
#                       lexicon's dictionary, statistics and index)
#   VOICE_ESPEAK_VOICE  the eSpeak NG voice that records its synthetic
#                       corpus (default "sl")
#   VOICE_ESPEAK_PITCH  its base pitch, 0-100 (default: eSpeak's)
#
# From the sources: voice.ini, sint.ini, gfp.ini, mikro.ini, makro.ini and
# slovarji/osnovni.dct and slovarji/pogosti.dct are copied; with
# lexicon/slv-wikipron-train.tsv the dictionary leksikon.dct, the six
# syllable statistics tables, the dictionary of inflected forms oblike.dct
# (from oblike/paradigme.txt, glagoli.txt and the three word lists,
# read by the voice's own rules; all by tarvox-langdata) and the index
# data/QuenlarOrin.ndx (tarvox-data) are made;
# the recordings and the database (data/QuenlarOrin.dat, Cost.dat) are made
# by tarvox-data record-corpus and build-database. Derived files are made
# only where the tools are built.
set(TARVOX_VOICE_CHECK_PHONEMES ${CMAKE_CURRENT_LIST_DIR}/corpus/check-phonemes.txt)

function(tarvox_build_voice dir)
  set(src ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
  set(out ${PROJECT_BINARY_DIR}/voices/${dir})
  string(REPLACE "-" "_" target voice_${dir})
  set(VOICE_BASE "")
  set(VOICE_ESPEAK_VOICE "")
  set(VOICE_ESPEAK_PITCH "")
  if(EXISTS ${src}/build.cmake)
    include(${src}/build.cmake)
  endif()
  set(base_out "")
  if(VOICE_BASE)
    set(base_out ${PROJECT_BINARY_DIR}/voices/${VOICE_BASE})
    string(REPLACE "-" "_" base_target voice_${VOICE_BASE})
  endif()
  set(outputs)

  # A file from the voice's sources, or else from its base voice's build.
  macro(voice_file file)
    get_filename_component(sub ${out}/${file} DIRECTORY)
    if(EXISTS ${src}/${file})
      set(from ${src}/${file})
    elseif(base_out)
      set(from ${base_out}/${file})
    else()
      message(FATAL_ERROR "voice ${dir}: no ${file}")
    endif()
    add_custom_command(OUTPUT ${out}/${file}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${sub}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${from} ${out}/${file}
      DEPENDS ${from}
      COMMENT "Voice ${dir}: ${file}")
    list(APPEND outputs ${out}/${file})
  endmacro()

  foreach(file voice.ini sint.ini gfp.ini mikro.ini makro.ini slovarji/osnovni.dct slovarji/pogosti.dct)
    voice_file(${file})
  endforeach()
  # The converter profile that the derived files follow.
  if(EXISTS ${src}/gfp.ini)
    set(gfp ${src}/gfp.ini)
  else()
    set(gfp ${base_out}/gfp.ini)
  endif()

  set(lexicon ${src}/lexicon/slv-wikipron-train.tsv)
  set(stat_files vzn.out vc.out vzn_e.out vzn_o.out vc_e.out vc_o.out)
  if(TARGET tarvox_langdata_tool)
    if(EXISTS ${lexicon})
      add_custom_command(OUTPUT ${out}/slovarji/leksikon.dct
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/slovarji
        COMMAND tarvox_langdata_tool dictionary ${lexicon} ${out}/slovarji/leksikon.dct
        DEPENDS tarvox_langdata_tool ${lexicon}
        COMMENT "Voice ${dir}: dictionary from the lexicon")
      set(stat_tables ${stat_files})
      list(TRANSFORM stat_tables PREPEND ${out}/stat/)
      add_custom_command(OUTPUT ${stat_tables}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/stat
        COMMAND tarvox_langdata_tool stats ${lexicon} ${gfp} ${out}/stat
        DEPENDS tarvox_langdata_tool ${lexicon} ${gfp}
        COMMENT "Voice ${dir}: syllable statistics from the lexicon")
      # The inflected forms, read by the rules of the voice being built
      # (its dictionaries off).
      set(morphology ${src}/oblike/paradigme.txt ${src}/oblike/glagoli.txt ${src}/oblike/polni_e.txt
                     ${src}/oblike/koncni_l.txt ${src}/oblike/deleznik_el.txt)
      add_custom_command(OUTPUT ${out}/slovarji/oblike.dct
        COMMAND tarvox_langdata_tool forms ${out} ${lexicon} ${src}/oblike/paradigme.txt
                --verbs ${src}/oblike/glagoli.txt --full-e ${src}/oblike/polni_e.txt --final-l ${src}/oblike/koncni_l.txt
                --participle-e ${src}/oblike/deleznik_el.txt
                -o ${out}/slovarji/oblike.dct
        DEPENDS tarvox_langdata_tool ${lexicon} ${morphology} ${stat_tables} ${out}/gfp.ini
                ${out}/sint.ini
        COMMENT "Voice ${dir}: dictionary of inflected forms")
      set(dictionaries osnovni pogosti leksikon oblike)
      list(TRANSFORM dictionaries REPLACE "(.+)" "${out}/slovarji/\\1.dct")
      list(APPEND outputs ${out}/slovarji/leksikon.dct ${out}/slovarji/oblike.dct ${stat_tables})
      if(TARGET tarvox_data)
        add_custom_command(OUTPUT ${out}/data/QuenlarOrin.ndx
          COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/data
          COMMAND tarvox_data build-index ${dictionaries}
                  --profile ${gfp} -o ${out}/data/QuenlarOrin.ndx
          DEPENDS tarvox_data ${dictionaries} ${gfp}
          COMMENT "Voice ${dir}: dictionary index")
        list(APPEND outputs ${out}/data/QuenlarOrin.ndx)
      endif()
    elseif(base_out)
      voice_file(slovarji/leksikon.dct)
      voice_file(slovarji/oblike.dct)
      foreach(table ${stat_files})
        voice_file(stat/${table})
      endforeach()
      if(TARGET tarvox_data)
        voice_file(data/QuenlarOrin.ndx)
      endif()
    endif()
  endif()

  # The synthetic recordings and the voice database. The database keeps the
  # name the engine reads (".\data\QuenlarOrin.dat").
  if(TARGET tarvox_data)
    set(recordings ${PROJECT_BINARY_DIR}/voices/${dir}-recordings)
    set(record_options)
    if(VOICE_ESPEAK_VOICE)
      list(APPEND record_options --voice ${VOICE_ESPEAK_VOICE})
    endif()
    if(VOICE_ESPEAK_PITCH)
      list(APPEND record_options --pitch ${VOICE_ESPEAK_PITCH})
    endif()
    set(corpus_lexicon ${lexicon})
    if(NOT EXISTS ${corpus_lexicon})
      set(corpus_lexicon ${CMAKE_CURRENT_SOURCE_DIR}/${VOICE_BASE}/lexicon/slv-wikipron-train.tsv)
    endif()
    add_custom_command(OUTPUT ${recordings}/corpus.txt
      COMMAND ${CMAKE_COMMAND} -E rm -rf ${recordings}
      COMMAND tarvox_data record-corpus ${corpus_lexicon} ${recordings} ${record_options}
      DEPENDS tarvox_data ${corpus_lexicon}
      COMMENT "Voice ${dir}: synthetic recordings")
    add_custom_command(OUTPUT ${out}/data/QuenlarOrin.dat ${out}/Cost.dat
      COMMAND tarvox_data build-database ${recordings} -o ${out} --peak 12000
              --inventory ${gfp} --text ${TARVOX_VOICE_CHECK_PHONEMES} --show 10
      DEPENDS tarvox_data ${recordings}/corpus.txt ${gfp} ${TARVOX_VOICE_CHECK_PHONEMES}
      COMMENT "Voice ${dir}: voice database")
    list(APPEND outputs ${out}/data/QuenlarOrin.dat ${out}/Cost.dat)
  endif()

  add_custom_target(${target} ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/log
    DEPENDS ${outputs}
    COMMENT "Voice directory ${dir}")
  if(base_out)
    add_dependencies(${target} ${base_target})
  endif()
  install(DIRECTORY ${out} DESTINATION share/tarvox/voices)
  set_property(GLOBAL APPEND PROPERTY TARVOX_VOICE_TARGETS ${target})
endfunction()
