// SPDX-License-Identifier: Apache-2.0
/*
 * What a test executable was built with, for the few checks that hold only
 * without a sanitizer (stack sizes, address-space limits) or that must allow
 * for one (ThreadSanitizer's signal delivery), and the stack size of the
 * calling thread. GCC says which sanitizer through __SANITIZE_*__, clang
 * through __has_feature.
 */
#ifndef QX_TESTS_FAKES_BUILD_TRAITS_H
#define QX_TESTS_FAKES_BUILD_TRAITS_H

#include <pthread.h>

#include <cstddef>

#if defined(__SANITIZE_THREAD__)
#define QX_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QX_THREAD_SANITIZER 1
#endif
#endif

#if defined(__SANITIZE_ADDRESS__)
#define QX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QX_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(QX_THREAD_SANITIZER) || defined(QX_ADDRESS_SANITIZER)
#define QX_SANITIZED_BUILD 1
#endif

namespace qxtest
{

#ifdef QX_THREAD_SANITIZER
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif

#ifdef QX_SANITIZED_BUILD
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif

/* Stack size the calling thread was given, as the system reports it; 0 when unknown. */
inline size_t ownStackSize()
{
    pthread_attr_t attributes;
    size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
        pthread_attr_getstacksize(&attributes, &size);
        pthread_attr_destroy(&attributes);
    }
    return size;
}

} // namespace qxtest

#endif
