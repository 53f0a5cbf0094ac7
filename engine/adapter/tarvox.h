/* tarvox: Slovenian text-to-speech, the C interface.
 *
 * Each voice directory opened is an engine of its own: several voices may
 * be open at once and speak at the same time from different threads.
 * Opening the same directory again shares its engine (its speak calls then
 * take turns).
 *
 *   tarvox_voice* v = NULL;
 *   if (tarvox_open("/usr/share/tarvox/voices/quenlar-orin", &v) != TARVOX_OK)
 *       fprintf(stderr, "%s\n", tarvox_last_error(NULL));
 *   tarvox_settings s = {0, 0, 100};           // rate, pitch, volume
 *   tarvox_speak(v, "Dober dan.", &s, on_audio, on_event, user);
 *   tarvox_close(v);
 *
 * tarvox_speak speaks sentence by sentence: each sentence's samples (16 kHz,
 * 16-bit signed, mono) reach the audio callback as soon as they are
 * synthesised, in pieces of at most 1024 samples. Events reach the event
 * callback in audio order, each before the piece of audio in which it
 * falls. The callbacks run on the calling thread while the engine is held:
 * they must not call tarvox_speak; tarvox_stop is allowed (from any thread).
 *
 * A handle speaks on one thread at a time: tarvox_speak and
 * tarvox_speak_marked on the same handle from two threads take turns only
 * if the caller makes them. tarvox_stop ends the speak call running on the
 * handle; a stop that arrives while no call runs is forgotten by the next.
 */
#ifndef TARVOX_H
#define TARVOX_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define TARVOX_C_API __declspec(dllexport)
#else
#define TARVOX_C_API __attribute__((visibility("default")))
#endif

typedef struct tarvox_voice tarvox_voice;

typedef enum tarvox_status {
    TARVOX_OK = 0,
    TARVOX_ERR_ARGUMENT = -1,  /* a null pointer or a value out of range */
    TARVOX_ERR_VOICE = -2,     /* the voice directory is missing or its configuration unreadable */
    TARVOX_ERR_INIT = -3,      /* the engine could not start with this voice */
    TARVOX_ERR_BUSY = -4,      /* no longer returned (voices no longer exclude each other) */
    TARVOX_ERR_INTERNAL = -5   /* anything else; see tarvox_last_error */
} tarvox_status;

typedef struct tarvox_settings {
    int rate;   /* -10 (slow) .. 10 (fast), 0 normal */
    int pitch;  /* -10 (low) .. 10 (high), 0 normal */
    int volume; /* 0 .. 100; 100 is the platform's default, twice the recorded level */
} tarvox_settings;

typedef enum tarvox_event_kind {
    TARVOX_EVENT_SENTENCE = 1, /* a sentence's audio begins */
    TARVOX_EVENT_WORD = 2,     /* a word begins */
    TARVOX_EVENT_MARK = 3      /* a mark given to tarvox_speak_marked is reached */
} tarvox_event_kind;

typedef struct tarvox_event {
    tarvox_event_kind kind;
    uint64_t sample;      /* audio position: samples since the start of this speak call */
    size_t text_position; /* byte offset in the UTF-8 text */
    size_t text_length;   /* bytes (words); 0 for marks */
    const char* name;     /* the mark's name; NULL otherwise */
} tarvox_event;

typedef struct tarvox_mark {
    size_t text_position; /* byte offset in the UTF-8 text where the mark stands */
    const char* name;
} tarvox_mark;

/* Return non-zero from the audio callback to stop speaking. */
typedef int (*tarvox_audio_callback)(void* user, const int16_t* samples, size_t count);
typedef void (*tarvox_event_callback)(void* user, const tarvox_event* event);

TARVOX_C_API tarvox_status tarvox_open(const char* voice_directory, tarvox_voice** voice);
TARVOX_C_API void tarvox_close(tarvox_voice* voice);

/* Speaks UTF-8 text. settings may be NULL (rate 0, pitch 0, volume 100);
 * either callback may be NULL. Returns when all is spoken or stopped. */
TARVOX_C_API tarvox_status tarvox_speak(tarvox_voice* voice, const char* utf8_text,
                                        const tarvox_settings* settings,
                                        tarvox_audio_callback on_audio,
                                        tarvox_event_callback on_event, void* user);
/* As tarvox_speak, with marks reported as TARVOX_EVENT_MARK events. */
TARVOX_C_API tarvox_status tarvox_speak_marked(tarvox_voice* voice, const char* utf8_text,
                                               const tarvox_mark* marks, size_t mark_count,
                                               const tarvox_settings* settings,
                                               tarvox_audio_callback on_audio,
                                               tarvox_event_callback on_event, void* user);

/* Makes a running tarvox_speak on this voice return after the piece of
 * audio it is delivering. Safe from any thread and from the callbacks. */
TARVOX_C_API void tarvox_stop(tarvox_voice* voice);

/* The last error of the voice (or of the last failed tarvox_open when voice
 * is NULL), in English; "" when there is none. Valid until the next call. */
TARVOX_C_API const char* tarvox_last_error(const tarvox_voice* voice);
TARVOX_C_API const char* tarvox_status_message(tarvox_status status);

/* 16000. */
TARVOX_C_API int tarvox_sample_rate(void);

#ifdef __cplusplus
}
#endif

#endif /* TARVOX_H */
