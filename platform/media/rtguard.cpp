// The audio-thread guard of DECKMORA_RT_GUARD builds: an allocation or a free on the audio thread aborts with
// the stack printed. Under a sanitizer the hook is the sanitizer's own allocation hook (its runtime owns the
// allocator); otherwise malloc, calloc, realloc and free are interposed in front of glibc's.
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "media/audiothread.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define DECKMORA_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define DECKMORA_SANITIZED 1
#endif

#ifdef DECKMORA_SANITIZED
#include <sanitizer/allocator_interface.h>
#include <sanitizer/common_interface_defs.h>
#else
#include <execinfo.h>
#endif

namespace platform::media {

namespace {

void put(const char* text) {
    // write(2) only: the heap may be the very thing that was misused.
    const ssize_t ignored = ::write(2, text, std::strlen(text));
    (void)ignored;
}

} // namespace

void audioThreadViolation(const char* what) {
    // Off first, so that whatever printing the stack allocates does not come back here.
    t_audioThread = false;
    put("audio thread: ");
    put(what);
    put(" called while mixing (no locks, no allocation, no I/O on the audio thread)\n");
#ifdef DECKMORA_SANITIZED
    __sanitizer_print_stack_trace();
#else
    void* frames[64];
    backtrace_symbols_fd(frames, backtrace(frames, 64), 2);
#endif
    std::abort();
}

} // namespace platform::media

using platform::media::audioThreadViolation;
using platform::media::t_audioThread;

#ifdef DECKMORA_SANITIZED

namespace {

void onMalloc(const volatile void*, size_t) {
    if (t_audioThread)
        audioThreadViolation("malloc");
}

void onFree(const volatile void* p) {
    if (p && t_audioThread)
        audioThreadViolation("free");
}

[[maybe_unused]] const int kHooked = __sanitizer_install_malloc_and_free_hooks(&onMalloc, &onFree);

} // namespace

#else

// glibc's own allocator under the names it exports for this purpose; operator new and every library reach
// these through malloc and free.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);

void* malloc(size_t n) {
    if (t_audioThread)
        audioThreadViolation("malloc");
    return __libc_malloc(n);
}

void* calloc(size_t count, size_t n) {
    if (t_audioThread)
        audioThreadViolation("calloc");
    return __libc_calloc(count, n);
}

void* realloc(void* p, size_t n) {
    if (t_audioThread)
        audioThreadViolation("realloc");
    return __libc_realloc(p, n);
}

void free(void* p) {
    if (p && t_audioThread)
        audioThreadViolation("free");
    __libc_free(p);
}
}

#endif
