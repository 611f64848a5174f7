// SPDX-License-Identifier: Apache-2.0
/*
 * Allocation wrappers and the out-of-memory hook.
 */
#include "lib_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

/* Sanitizer builds: let an impossible allocation give null instead of aborting. */
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}
extern "C" const char* __tsan_default_options()
{
    return "allocator_may_return_null=1";
}

namespace
{

struct HookRecord {
    int calls = 0;
    void* parameter = nullptr;
};

void recordHook(void* parameter)
{
    auto record = static_cast<HookRecord*>(parameter);
    record->calls++;
    record->parameter = parameter;
}

/* Installs the hook for one test and removes it again. */
struct MemoryHook : ::testing::Test {
    HookRecord record;
    void SetUp() override { Memory_installExceptionHandler(recordHook, &record); }
    void TearDown() override { Memory_installExceptionHandler(nullptr, nullptr); }
};

/* Above PTRDIFF_MAX: no allocator hands out a block that large, also on a 32-bit
 * target where SIZE_MAX / 2 (2 GiB) can succeed. */
const size_t impossible = static_cast<size_t>(PTRDIFF_MAX) + 1;

} // namespace

TEST_F(MemoryHook, ImpossibleAllocations_ReturnNullAfterCallingHook)
{
    EXPECT_EQ(Memory_malloc(impossible), nullptr);
    EXPECT_EQ(record.calls, 1);
    EXPECT_EQ(record.parameter, &record);
    EXPECT_EQ(Memory_calloc(impossible, 4), nullptr); /* count times size overflows */
    EXPECT_EQ(record.calls, 2);

    void* block = Memory_malloc(8);
    ASSERT_NE(block, nullptr);
    memcpy(block, "abcdefg", 8);
    EXPECT_EQ(Memory_realloc(block, impossible), nullptr);
    EXPECT_EQ(record.calls, 3);
    EXPECT_STREQ(static_cast<char*>(block), "abcdefg"); /* the old block stays valid */
    Memory_free(block);
}

TEST_F(MemoryHook, SuccessfulAllocations_DoNotCallHook)
{
    void* a = Memory_malloc(32);
    void* b = Memory_calloc(4, 8);
    void* c = Memory_realloc(nullptr, 16);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
    EXPECT_NE(c, nullptr);
    EXPECT_EQ(record.calls, 0);
    Memory_free(a);
    Memory_free(b);
    Memory_free(c);
}

TEST(MemoryMalloc, NoHookInstalled_ImpossibleAllocationJustGivesNull)
{
    Memory_installExceptionHandler(nullptr, nullptr);
    EXPECT_EQ(Memory_malloc(impossible), nullptr);
}

TEST(MemoryCalloc, NewBlock_IsZeroed)
{
    auto block = static_cast<uint8_t*>(Memory_calloc(64, 4));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 256; i++)
        EXPECT_EQ(block[i], 0) << "octet " << i;
    Memory_free(block);
}

TEST(MemoryRealloc, Grow_KeepsOldContents)
{
    auto block = static_cast<uint8_t*>(Memory_malloc(4));
    ASSERT_NE(block, nullptr);
    memcpy(block, "\x68\x04\x07\x00", 4);
    block = static_cast<uint8_t*>(Memory_realloc(block, 4096));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(0, memcmp(block, "\x68\x04\x07\x00", 4));
    Memory_free(block);
    Memory_free(nullptr);
}
