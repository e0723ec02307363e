/*
 * kovi engine: the host interface.
 *
 * The engine is driven entirely through JSON texts. Every request is one
 * NUL-terminated UTF-8 JSON text naming an operation in its "op" member;
 * every response is one NUL-terminated UTF-8 JSON text, either
 *
 *     {"ok":true,"value":...}     or     {"ok":false,"error":"..."}
 *
 * The library keeps no per-device state and reads no clock. The only state
 * kept between calls is the process-wide rule registry.
 *
 * Threads: every function may be called from any thread, and any number of
 * threads may call kovi_engine_eval at the same time. The library starts
 * no threads of its own.
 *
 * Ownership:
 *   - A request stays the caller's: the engine only reads it, up to its NUL.
 *   - A response belongs to the caller from the return of kovi_engine_eval
 *     until it is passed, exactly once, to kovi_engine_free. The caller may
 *     read it but must not change its length or free it any other way.
 *   - Buffers from kovi_engine_alloc are released only by
 *     kovi_engine_dealloc with the same size.
 */
#ifndef KOVI_ENGINE_H
#define KOVI_ENGINE_H

#include <stddef.h>

#if defined(_WIN32)
#define KOVI_ENGINE_API __declspec(dllexport)
#else
#define KOVI_ENGINE_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Returns a new, uninitialised buffer of exactly `size` bytes, for example
 * to place a request text in memory the library owns. Size 0 returns NULL
 * and allocates nothing. A size the allocator cannot satisfy ends the
 * process.
 */
KOVI_ENGINE_API unsigned char* kovi_engine_alloc(size_t size);

/*
 * Releases a buffer from kovi_engine_alloc; `len` must be the size it was
 * allocated with. A NULL `ptr` or a zero `len` does nothing.
 */
KOVI_ENGINE_API void kovi_engine_dealloc(unsigned char* ptr, size_t len);

/*
 * Evaluates one request. `request` is a NUL-terminated UTF-8 JSON text, or
 * NULL (which answers {"ok":false,"error":"null input"}). Returns the
 * response text, never NULL; the response contains no NUL byte before its
 * terminator. Failures are reported in the response, never otherwise; an
 * internal fault answers {"ok":false,"error":"engine panic"}.
 */
KOVI_ENGINE_API char* kovi_engine_eval(const char* request);

/*
 * Releases a response returned by kovi_engine_eval. NULL does nothing.
 */
KOVI_ENGINE_API void kovi_engine_free(char* response);

#ifdef __cplusplus
}
#endif

#endif /* KOVI_ENGINE_H */
