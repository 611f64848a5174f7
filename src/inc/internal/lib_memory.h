// SPDX-License-Identifier: Apache-2.0
/*
 * Allocation wrappers of the protocol stack.
 *
 * All heap memory of the protocol stack and platform layer goes through these
 * functions. When the system allocator fails, the installed out-of-memory
 * hook (if any) runs and the null result is passed on to the caller.
 */
#ifndef LIB_MEMORY_H
#define LIB_MEMORY_H

#include <cstddef>

typedef void (*MemoryExceptionHandler)(void* parameter);

/* Installs the out-of-memory hook; meant to be called before any other thread starts. */
void Memory_installExceptionHandler(MemoryExceptionHandler handler, void* parameter);

/* malloc/calloc/realloc: the new block, or null after the hook ran. */
void* Memory_malloc(size_t size);
void* Memory_calloc(size_t nmemb, size_t size);
void* Memory_realloc(void* ptr, size_t size);

/* Releases a block; null is allowed. */
void Memory_free(void* memb);

/* Convenience macros in the stack's style. */
#define GLOBAL_MALLOC(size) Memory_malloc(size)
#define GLOBAL_CALLOC(nmemb, size) Memory_calloc(nmemb, size)
#define GLOBAL_REALLOC(oldmem, size) Memory_realloc(oldmem, size)
#define GLOBAL_FREEMEM(mem) Memory_free(mem)

#endif
