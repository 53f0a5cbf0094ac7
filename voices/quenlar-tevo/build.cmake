# "Quenlar Tevo": a female speaker, recorded synthetically like quenlar-orin
# but by eSpeak NG's female variant "f4" at about 200 Hz. Its own files are
# voice.ini, sint.ini and mikro.ini (the pitch tables raised for a female
# speaker); the rest is quenlar-orin's.
set(VOICE_BASE quenlar-orin)
set(VOICE_ESPEAK_VOICE "sl+f4")
set(VOICE_ESPEAK_PITCH 70)
