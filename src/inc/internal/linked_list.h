// SPDX-License-Identifier: Apache-2.0
/*
 * Singly linked list with a dummy head element.
 *
 * A list is its head element (data null, never counted, returned or matched);
 * the real elements follow in insertion order. The list stores pointers only:
 * it owns the data only when destroyed with LinkedList_destroy or
 * LinkedList_destroyDeep. It locks nothing; a list shared between threads is
 * guarded by its owner.
 *
 * Out of memory: the constructors have no failure result. LinkedList_create
 * gives null, LinkedList_add leaves the list unchanged and
 * LinkedList_insertAfter gives null; every operation accepts a null list.
 */
#ifndef LINKED_LIST_H
#define LINKED_LIST_H

typedef struct sLinkedList* LinkedList;

struct sLinkedList {
    void* data;
    LinkedList next;
};

typedef void (*LinkedListValueDeleteFunction)(void*);

/* A new empty list (its head), or null when out of memory. */
LinkedList LinkedList_create(void);

/* Appends an element holding data after the last one (linear time). */
void LinkedList_add(LinkedList list, void* data);

/* Inserts an element holding data directly after element; gives the new element. */
LinkedList LinkedList_insertAfter(LinkedList listElement, void* data);

/* Unlinks and frees the first element holding data (pointer identity); true when found. */
bool LinkedList_remove(LinkedList list, void* data);

/* Number of elements after the head. */
int LinkedList_size(LinkedList list);

/* The following element, or null at the end. */
LinkedList LinkedList_getNext(LinkedList listElement);

/* The element's data. */
void* LinkedList_getData(LinkedList listElement);

/* The element at a 0-based index after the head, or null. */
LinkedList LinkedList_get(LinkedList list, int index);

/* The last element; the head itself for an empty list. */
LinkedList LinkedList_getLastElement(LinkedList list);

/* Calls valueDeleteFunction for every non-null data, then frees every element. */
void LinkedList_destroyDeep(LinkedList list, LinkedListValueDeleteFunction valueDeleteFunction);

/* LinkedList_destroyDeep with Memory_free. */
void LinkedList_destroy(LinkedList list);

/* Frees the elements and leaves the data alone. */
void LinkedList_destroyStatic(LinkedList list);

#endif
