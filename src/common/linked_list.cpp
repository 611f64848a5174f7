// SPDX-License-Identifier: Apache-2.0
#include "linked_list.h"

#include "lib_memory.h"

static LinkedList newElement(void* data)
{
    auto element = static_cast<LinkedList>(Memory_malloc(sizeof(struct sLinkedList)));
    if (element != nullptr) {
        element->data = data;
        element->next = nullptr;
    }
    return element;
}

LinkedList LinkedList_create(void)
{
    return newElement(nullptr);
}

LinkedList LinkedList_getLastElement(LinkedList list)
{
    if (list == nullptr)
        return nullptr;
    while (list->next != nullptr)
        list = list->next;
    return list;
}

void LinkedList_add(LinkedList list, void* data)
{
    LinkedList last = LinkedList_getLastElement(list);
    if (last != nullptr)
        LinkedList_insertAfter(last, data);
}

LinkedList LinkedList_insertAfter(LinkedList listElement, void* data)
{
    if (listElement == nullptr)
        return nullptr;
    LinkedList element = newElement(data);
    if (element != nullptr) {
        element->next = listElement->next;
        listElement->next = element;
    }
    return element;
}

bool LinkedList_remove(LinkedList list, void* data)
{
    if (list == nullptr)
        return false;
    LinkedList previous = list;
    for (LinkedList current = list->next; current != nullptr; current = current->next) {
        if (current->data == data) {
            previous->next = current->next;
            Memory_free(current);
            return true;
        }
        previous = current;
    }
    return false;
}

int LinkedList_size(LinkedList list)
{
    int size = 0;
    for (LinkedList element = LinkedList_getNext(list); element != nullptr; element = element->next)
        size++;
    return size;
}

LinkedList LinkedList_getNext(LinkedList listElement)
{
    return listElement == nullptr ? nullptr : listElement->next;
}

void* LinkedList_getData(LinkedList listElement)
{
    return listElement == nullptr ? nullptr : listElement->data;
}

LinkedList LinkedList_get(LinkedList list, int index)
{
    if (index < 0)
        return nullptr;
    LinkedList element = LinkedList_getNext(list);
    for (int i = 0; element != nullptr && i < index; i++)
        element = element->next;
    return element;
}

void LinkedList_destroyDeep(LinkedList list, LinkedListValueDeleteFunction valueDeleteFunction)
{
    while (list != nullptr) {
        LinkedList next = list->next;
        if (list->data != nullptr && valueDeleteFunction != nullptr)
            valueDeleteFunction(list->data);
        Memory_free(list);
        list = next;
    }
}

void LinkedList_destroy(LinkedList list)
{
    LinkedList_destroyDeep(list, Memory_free);
}

void LinkedList_destroyStatic(LinkedList list)
{
    LinkedList_destroyDeep(list, nullptr);
}
