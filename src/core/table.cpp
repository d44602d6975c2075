#include "core/table.hpp"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/string.hpp"

namespace orv {
namespace {

constexpr int kHashModulus = 35177;

bool has_key_array(const HashTable* t, int i) { return t != nullptr && t->buckets != nullptr && i >= 1 && i <= t->k; }

const TabSlot* bucket_of(const HashTable* t, int i, const char* key) {
    return &t->buckets[i - 1][TAB_key(t, key)];
}

// The first empty slot of the chain starting at slot, appending one when
// every slot is taken; null when memory runs out.
TabSlot* free_slot(TabSlot* slot) {
    while (slot->key != nullptr) {
        if (slot->next == nullptr) slot->next = new (std::nothrow) TabSlot{};
        if (slot->next == nullptr) return nullptr;
        slot = slot->next;
    }
    return slot;
}

const char* key_text(const char* key) { return key != nullptr ? key : ""; }

// Empties the slot of key array j that holds key for the entry with data.
void release_slot_of(HashTable* t, int j, const char* key, const void* data) {
    for (TabSlot* s = &t->buckets[j][TAB_key(t, key_text(key))]; s != nullptr; s = s->next)
        if (s->data == data) {
            std::free(s->key);
            s->key = nullptr;
            s->data = nullptr;
            return;
        }
}

void free_chain_keys(TabSlot& first) {
    std::free(first.key);
    TabSlot* s = first.next;
    while (s != nullptr) {
        TabSlot* next = s->next;
        std::free(s->key);
        delete s;
        s = next;
    }
}

}  // namespace

void TAB_init(HashTable* t) { *t = HashTable{}; }

int TAB_create(HashTable* t, int n, int data_size, int k) {
    TAB_clear(t);
    if (n <= 0 || k <= 0 || data_size < 0) return -1;
    t->buckets = new (std::nothrow) TabSlot*[static_cast<std::size_t>(k)]();
    if (t->buckets == nullptr) return -1;
    t->n = n;
    t->k = k;
    t->data_size = data_size;
    for (int i = 0; i < k; ++i) {
        t->buckets[i] = new (std::nothrow) TabSlot[static_cast<std::size_t>(n)]();
        if (t->buckets[i] == nullptr) {
            TAB_clear(t);
            return -1;
        }
    }
    return 0;
}

int TAB_key(const HashTable* t, const char* text) {
    if (t == nullptr || t->n <= 0 || text == nullptr) return 0;
    int h = 0;
    for (const char* p = text; *p != '\0'; ++p) h = (h * 257 + static_cast<signed char>(*p)) % kHashModulus;
    const int bucket = h % t->n;
    return bucket < 0 ? bucket + t->n : bucket;
}

int TAB_enterv(HashTable* t, const void* data, const char* const* keys) {
    if (t == nullptr || t->buckets == nullptr) return -1;
    void* copy = std::calloc(1, t->data_size > 0 ? static_cast<std::size_t>(t->data_size) : 1);
    if (copy == nullptr) return -1;
    if (data != nullptr && t->data_size > 0) std::memcpy(copy, data, static_cast<std::size_t>(t->data_size));
    TabSlot* first = nullptr;
    for (int i = 0; i < t->k; ++i) {
        const char* key = key_text(keys[i]);
        TabSlot* slot = free_slot(&t->buckets[i][TAB_key(t, key)]);
        char* key_copy = slot != nullptr ? create_string(key) : nullptr;
        if (key_copy == nullptr) {
            // Undo this entry; its slots stay empty for later entries.
            for (int j = 0; j < i; ++j) release_slot_of(t, j, keys[j], copy);
            std::free(copy);
            return -1;
        }
        slot->key = key_copy;
        slot->data = copy;
        slot->order = nullptr;
        if (first == nullptr) first = slot;
    }
    if (t->tail != nullptr) t->tail->order = first;
    else t->head = first;
    t->tail = first;
    return 0;
}

void* TAB_search(const HashTable* t, int i, const char* key) {
    if (!has_key_array(t, i) || key == nullptr) return nullptr;
    for (const TabSlot* s = bucket_of(t, i, key); s != nullptr; s = s->next)
        if (s->key != nullptr && std::strcmp(s->key, key) == 0) return s->data;
    return nullptr;
}

int TAB_searches(const HashTable* t, int i, const char* key, void** out, int max) {
    if (!has_key_array(t, i) || key == nullptr || out == nullptr) return 0;
    int found = 0;
    for (const TabSlot* s = bucket_of(t, i, key); s != nullptr && found < max; s = s->next)
        if (s->key != nullptr && std::strcmp(s->key, key) == 0) out[found++] = s->data;
    return found;
}

void* TAB_first(HashTable* t) {
    t->cursor = t->head;
    return t->cursor != nullptr ? t->cursor->data : nullptr;
}

void* TAB_next(HashTable* t) {
    if (t->cursor != nullptr) t->cursor = t->cursor->order;
    return t->cursor != nullptr ? t->cursor->data : nullptr;
}

void TAB_clear(HashTable* t) {
    if (t == nullptr) return;
    for (TabSlot* e = t->head; e != nullptr; e = e->order) std::free(e->data);
    if (t->buckets != nullptr) {
        for (int i = 0; i < t->k; ++i) {
            if (t->buckets[i] == nullptr) continue;
            for (int b = 0; b < t->n; ++b) free_chain_keys(t->buckets[i][b]);
            delete[] t->buckets[i];
        }
        delete[] t->buckets;
    }
    *t = HashTable{};
}

}  // namespace orv
