// The audio-thread guard of DECKMORA_RT_GUARD builds: an allocation or a free on the audio thread aborts with
// the stack printed. Under a sanitizer the hook is the sanitizer's own allocation hook (its runtime owns
// operator new); otherwise the global operator new and delete are replaced.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
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

void onFree(const volatile void*) {
    if (t_audioThread)
        audioThreadViolation("free");
}

[[maybe_unused]] const int kHooked = __sanitizer_install_malloc_and_free_hooks(&onMalloc, &onFree);

} // namespace

#else

namespace {

void* allocate(std::size_t n, const char* what) {
    if (t_audioThread)
        audioThreadViolation(what);
    return std::malloc(n ? n : 1);
}

void* allocateAligned(std::size_t n, std::align_val_t a, const char* what) {
    if (t_audioThread)
        audioThreadViolation(what);
    void* p = nullptr;
    const std::size_t align = std::max(std::size_t(a), sizeof(void*));
    return ::posix_memalign(&p, align, n ? n : 1) == 0 ? p : nullptr;
}

void release(void* p) {
    if (p && t_audioThread)
        audioThreadViolation("operator delete");
    std::free(p);
}

} // namespace

void* operator new(std::size_t n) {
    if (void* p = allocate(n, "operator new"))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = allocate(n, "operator new[]"))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n, "operator new");
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n, "operator new[]");
}
void* operator new(std::size_t n, std::align_val_t a) {
    if (void* p = allocateAligned(n, a, "operator new"))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n, std::align_val_t a) {
    if (void* p = allocateAligned(n, a, "operator new[]"))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocateAligned(n, a, "operator new");
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocateAligned(n, a, "operator new[]");
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    release(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    release(p);
}

#endif
