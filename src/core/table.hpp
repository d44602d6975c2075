// Hash table with several keys per entry: an entry is found through any of
// its k keys, each hashed into its own array of buckets, and the entries can
// be walked in the order they were entered.
#pragma once

#include <array>
#include <cstddef>

namespace orv {

// One key of one entry. The data are one copy shared by the k slots of an entry.
// Keys, data and the slots after the first of a chain live in the table's pool.
struct TabSlot {
    char* key = nullptr;       // null while the slot is empty
    void* data = nullptr;
    TabSlot* next = nullptr;   // next slot in the same bucket chain
    TabSlot* order = nullptr;  // next entry in insertion order (on the entry's first slot)
};

struct HashTable {
    int n = 0;                 // buckets per key array
    int data_size = 0;         // bytes of data per entry
    TabSlot* head = nullptr;   // insertion order: first entry, cursor, last entry
    TabSlot* cursor = nullptr;
    TabSlot* tail = nullptr;
    int k = 0;                 // keys per entry
    TabSlot** buckets = nullptr;  // k arrays of n slots
    TabSlot*** tails = nullptr;   // k arrays of n: the last slot of each chain, null while it is the bucket's own
    void* pool = nullptr;         // the newest block of the memory the table's entries use
};

void TAB_init(HashTable* t);
// Empties t and gives it k arrays of n buckets: 0, or -1 for bad sizes or
// when memory runs out.
int TAB_create(HashTable* t, int n, int data_size, int k);
// h = (h * 257 + c) mod 35177 over the (signed) characters; bucket h mod n,
// taken into 0..n-1.
int TAB_key(const HashTable* t, const char* text);
// Enters a copy of data_size bytes of data under the k keys (null keys are
// empty texts): 0, or -1 when memory runs out or the table was not created.
int TAB_enterv(HashTable* t, const void* data, const char* const* keys);
template <typename... Keys>
int TAB_enter(HashTable* t, const void* data, Keys... keys) {
    const std::array<const char*, sizeof...(Keys)> list{static_cast<const char*>(keys)...};
    if (t == nullptr || static_cast<int>(list.size()) != t->k) return -1;
    return TAB_enterv(t, data, list.data());
}
// The data of the first entry whose key number i (1-based) equals key, or null.
void* TAB_search(const HashTable* t, int i, const char* key);
// The data of up to max entries whose key number i equals key, in the order
// they were entered; returns the number stored in out.
int TAB_searches(const HashTable* t, int i, const char* key, void** out, int max);
// Walks the entries in insertion order: their data, null after the last.
void* TAB_first(HashTable* t);
void* TAB_next(HashTable* t);
// Frees every entry and the bucket arrays; t is left empty.
void TAB_clear(HashTable* t);

}  // namespace orv
