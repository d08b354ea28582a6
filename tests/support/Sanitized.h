// VANTEL_SANITIZED is defined in builds under AddressSanitizer or
// ThreadSanitizer, whose runtimes reserve address space and memory of their
// own: checks of a process's memory limits are left out there.
#pragma once

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VANTEL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VANTEL_SANITIZED 1
#endif
#endif
