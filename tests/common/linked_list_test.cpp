// SPDX-License-Identifier: Apache-2.0
/*
 * Singly linked list with a dummy head.
 */
#include "lib_memory.h"
#include "linked_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

std::vector<void*> contents(LinkedList list)
{
    std::vector<void*> items;
    for (LinkedList e = LinkedList_getNext(list); e != nullptr; e = LinkedList_getNext(e))
        items.push_back(LinkedList_getData(e));
    return items;
}

std::vector<void*> deleted;
void recordDelete(void* data)
{
    deleted.push_back(data);
}

int a = 1, b = 2, c = 3, d = 4;

} // namespace

TEST(LinkedListCreate, NewList_IsEmpty)
{
    LinkedList list = LinkedList_create();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(LinkedList_size(list), 0);
    EXPECT_EQ(LinkedList_getNext(list), nullptr);
    EXPECT_EQ(LinkedList_get(list, 0), nullptr);
    EXPECT_EQ(LinkedList_getLastElement(list), list);
    LinkedList_destroyStatic(list);
}

TEST(LinkedListAdd, ThreeItems_KeptInInsertionOrder)
{
    LinkedList list = LinkedList_create();
    LinkedList_add(list, &a);
    LinkedList_add(list, &b);
    LinkedList_add(list, &c);
    EXPECT_EQ(LinkedList_size(list), 3);
    EXPECT_EQ(LinkedList_getData(LinkedList_get(list, 0)), &a);
    EXPECT_EQ(LinkedList_getData(LinkedList_get(list, 1)), &b);
    EXPECT_EQ(LinkedList_getData(LinkedList_get(list, 2)), &c);
    EXPECT_EQ(LinkedList_get(list, 3), nullptr);
    EXPECT_EQ(LinkedList_get(list, -1), nullptr);
    EXPECT_EQ(LinkedList_getLastElement(list), LinkedList_get(list, 2));
    LinkedList_destroyStatic(list);
}

TEST(LinkedListRemove, Cases_RemoveFirstMatchOnly)
{
    struct Case {
        const char* name;
        std::vector<void*> initial;
        void* removed;
        bool found;
        std::vector<void*> after;
    };
    const std::vector<Case> cases = {
        {"first", {&a, &b, &c}, &a, true, {&b, &c}},
        {"middle", {&a, &b, &c}, &b, true, {&a, &c}},
        {"last", {&a, &b, &c}, &c, true, {&a, &b}},
        {"added twice", {&a, &b, &a}, &a, true, {&b, &a}},
        {"absent", {&a, &b}, &c, false, {&a, &b}},
        {"empty", {}, &a, false, {}},
        {"null is not the head", {&a}, nullptr, false, {&a}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        LinkedList list = LinkedList_create();
        for (void* item : test.initial)
            LinkedList_add(list, item);
        EXPECT_EQ(LinkedList_remove(list, test.removed), test.found);
        EXPECT_EQ(contents(list), test.after);
        EXPECT_EQ(LinkedList_size(list), static_cast<int>(test.after.size()));
        LinkedList_add(list, &d); /* the list stays well linked: appends go last */
        EXPECT_EQ(contents(list).back(), &d);
        LinkedList_destroyStatic(list);
    }
}

TEST(LinkedListInsertAfter, HeadOrElement_PlacesDirectlyAfterIt)
{
    LinkedList list = LinkedList_create();
    LinkedList_add(list, &b);
    LinkedList first = LinkedList_insertAfter(list, &a);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LinkedList_getData(first), &a);
    LinkedList_insertAfter(LinkedList_get(list, 1), &c); /* after the last */
    LinkedList_insertAfter(first, &d);                   /* in the middle */
    EXPECT_EQ(contents(list), (std::vector<void*>{&a, &d, &b, &c}));
    EXPECT_EQ(LinkedList_getData(LinkedList_getLastElement(list)), &c);
    LinkedList_destroyStatic(list);
}

TEST(LinkedListDestroyDeep, NullData_NeverPassedToDeleteFunction)
{
    deleted.clear();
    LinkedList list = LinkedList_create();
    LinkedList_add(list, &a);
    LinkedList_add(list, nullptr);
    LinkedList_add(list, &b);
    LinkedList_destroyDeep(list, recordDelete);
    EXPECT_EQ(deleted, (std::vector<void*>{&a, &b}));
}

TEST(LinkedListDestroy, HeapData_FreedWithTheList)
{
    /* Leak checking (ASan/LSan build) fails this test if any block survives. */
    LinkedList list = LinkedList_create();
    for (int i = 0; i < 3; i++)
        LinkedList_add(list, Memory_malloc(16));
    EXPECT_EQ(LinkedList_size(list), 3);
    LinkedList_destroy(list);
}

TEST(LinkedListDestroyStatic, Data_LeftAlone)
{
    int values[2] = {7, 8};
    LinkedList list = LinkedList_create();
    LinkedList_add(list, &values[0]);
    LinkedList_add(list, &values[1]);
    LinkedList_destroyStatic(list); /* freeing stack data would crash */
    EXPECT_EQ(values[0] + values[1], 15);
}

TEST(LinkedListNullList, EveryOperation_IsHarmless)
{
    EXPECT_EQ(LinkedList_size(nullptr), 0);
    EXPECT_EQ(LinkedList_get(nullptr, 0), nullptr);
    EXPECT_EQ(LinkedList_getNext(nullptr), nullptr);
    EXPECT_EQ(LinkedList_getData(nullptr), nullptr);
    EXPECT_EQ(LinkedList_getLastElement(nullptr), nullptr);
    EXPECT_FALSE(LinkedList_remove(nullptr, &a));
    EXPECT_EQ(LinkedList_insertAfter(nullptr, &a), nullptr);
    LinkedList_add(nullptr, &a);
    LinkedList_destroy(nullptr);
}
