#include "core/table.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace orv {
namespace {

constexpr int kHashModulus = 35177;

// The entries' memory comes from blocks freed together when the table is
// cleared: a table of thousands of stations costs a few allocations.
struct alignas(std::max_align_t) PoolBlock {
    PoolBlock* previous;
    std::size_t size;
    std::size_t used;
};
constexpr std::size_t kFirstBlock = 4096;
constexpr std::size_t kLargestBlock = std::size_t{1} << 16;  // below the C library's own mapping of large blocks

// align bytes of the pool; null when memory runs out.
void* pool_alloc(HashTable* t, std::size_t bytes, std::size_t align) {
    auto* block = static_cast<PoolBlock*>(t->pool);
    std::size_t at = block != nullptr ? (block->used + align - 1) / align * align : 0;
    if (block == nullptr || at + bytes > block->size) {
        std::size_t size = block != nullptr ? std::min(block->size * 2, kLargestBlock) : kFirstBlock;
        size = std::max(size, bytes);
        auto* fresh = static_cast<PoolBlock*>(std::malloc(sizeof(PoolBlock) + size));
        if (fresh == nullptr) return nullptr;
        *fresh = PoolBlock{block, size, 0};
        t->pool = fresh;
        block = fresh;
        at = 0;
    }
    block->used = at + bytes;
    return reinterpret_cast<char*>(block + 1) + at;
}

void pool_free(HashTable* t) {
    auto* block = static_cast<PoolBlock*>(t->pool);
    while (block != nullptr) {
        PoolBlock* previous = block->previous;
        std::free(block);
        block = previous;
    }
    t->pool = nullptr;
}

char* pool_string(HashTable* t, const char* text) {
    const std::size_t n = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(pool_alloc(t, n, 1));
    if (copy != nullptr) std::memcpy(copy, text, n);
    return copy;
}

bool has_key_array(const HashTable* t, int i) { return t != nullptr && t->buckets != nullptr && i >= 1 && i <= t->k; }

const TabSlot* bucket_of(const HashTable* t, int i, const char* key) {
    return &t->buckets[i - 1][TAB_key(t, key)];
}

// The slot for a new key in bucket b of key array i: the last slot of the
// chain while it is empty, else a new one appended after it, so an insert
// costs the same however long the chain (every station without a number
// shares one). Null when memory runs out.
TabSlot* free_slot(HashTable* t, int i, int b) {
    TabSlot*& last = t->tails[i][b];
    TabSlot* slot = last != nullptr ? last : &t->buckets[i][b];
    if (slot->key == nullptr) return slot;
    auto* next = static_cast<TabSlot*>(pool_alloc(t, sizeof(TabSlot), alignof(TabSlot)));
    if (next == nullptr) return nullptr;
    slot->next = new (next) TabSlot{};
    last = next;
    return next;
}

const char* key_text(const char* key) { return key != nullptr ? key : ""; }

// Empties the slot of key array j that holds key for the entry with data.
void release_slot_of(HashTable* t, int j, const char* key, const void* data) {
    for (TabSlot* s = &t->buckets[j][TAB_key(t, key_text(key))]; s != nullptr; s = s->next)
        if (s->data == data) {
            s->key = nullptr;
            s->data = nullptr;
            return;
        }
}

}  // namespace

void TAB_init(HashTable* t) { *t = HashTable{}; }

int TAB_create(HashTable* t, int n, int data_size, int k) {
    TAB_clear(t);
    if (n <= 0 || k <= 0 || data_size < 0) return -1;
    t->buckets = new (std::nothrow) TabSlot*[static_cast<std::size_t>(k)]();
    t->tails = new (std::nothrow) TabSlot**[static_cast<std::size_t>(k)]();
    if (t->buckets == nullptr || t->tails == nullptr) {
        TAB_clear(t);
        return -1;
    }
    t->n = n;
    t->k = k;
    t->data_size = data_size;
    for (int i = 0; i < k; ++i) {
        t->buckets[i] = new (std::nothrow) TabSlot[static_cast<std::size_t>(n)]();
        t->tails[i] = new (std::nothrow) TabSlot*[static_cast<std::size_t>(n)]();
        if (t->buckets[i] == nullptr || t->tails[i] == nullptr) {
            TAB_clear(t);
            return -1;
        }
    }
    return 0;
}

int TAB_key(const HashTable* t, const char* text) {
    if (t == nullptr || t->n <= 0 || text == nullptr) return 0;
    // Four characters at a time while they are plain ASCII: one reduction of
    // h * 257^4 + ... gives what four steps of (h * 257 + c) mod 35177 give.
    std::uint64_t u = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    for (;;) {
        std::uint64_t v = u;
        int n = 0;
        while (n < 4 && p[n] != 0 && p[n] < 0x80) v = v * 257 + p[n++];
        if (n == 0) break;
        u = v % kHashModulus;
        p += n;
    }
    int h = static_cast<int>(u);
    // A character above 127 counts as negative, and C's remainder keeps its sign.
    for (const char* q = reinterpret_cast<const char*>(p); *q != '\0'; ++q)
        h = (h * 257 + static_cast<signed char>(*q)) % kHashModulus;
    const int bucket = h % t->n;
    return bucket < 0 ? bucket + t->n : bucket;
}

int TAB_enterv(HashTable* t, const void* data, const char* const* keys) {
    if (t == nullptr || t->buckets == nullptr) return -1;
    void* copy = pool_alloc(t, t->data_size > 0 ? static_cast<std::size_t>(t->data_size) : 1, alignof(std::max_align_t));
    if (copy == nullptr) return -1;
    if (data != nullptr && t->data_size > 0) std::memcpy(copy, data, static_cast<std::size_t>(t->data_size));
    else std::memset(copy, 0, t->data_size > 0 ? static_cast<std::size_t>(t->data_size) : 1);
    TabSlot* first = nullptr;
    for (int i = 0; i < t->k; ++i) {
        const char* key = key_text(keys[i]);
        TabSlot* slot = free_slot(t, i, TAB_key(t, key));
        char* key_copy = slot != nullptr ? pool_string(t, key) : nullptr;
        if (key_copy == nullptr) {
            // Undo this entry; its slots stay empty for later entries.
            for (int j = 0; j < i; ++j) release_slot_of(t, j, keys[j], copy);
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
    if (t->buckets != nullptr) {
        for (int i = 0; i < t->k; ++i) delete[] t->buckets[i];
        delete[] t->buckets;
    }
    if (t->tails != nullptr) {
        for (int i = 0; i < t->k; ++i) delete[] t->tails[i];
        delete[] t->tails;
    }
    pool_free(t);
    *t = HashTable{};
}

}  // namespace orv
