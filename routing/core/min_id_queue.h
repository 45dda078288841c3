#ifndef ROUTING_CORE_MIN_ID_QUEUE_H
#define ROUTING_CORE_MIN_ID_QUEUE_H

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <utility>
#include <vector>

// The two containers that every search of the routing core reuses from one
// run to the next, so that starting a new run costs nothing per id.
namespace Routing {

// A set of ids emptied in constant time: an id is in the set while its entry
// equals the current stamp, and emptying the set moves to the next stamp.
class TimestampFlags {
public:
    TimestampFlags() = default;
    explicit TimestampFlags(unsigned id_count)
        : flags(id_count, 0)
    {
    }

    unsigned id_count() const { return static_cast<unsigned>(flags.size()); }

    bool is_set(unsigned id) const { return flags[id] == stamp; }
    void set(unsigned id) { flags[id] = stamp; }
    void reset_one(unsigned id) { flags[id] = static_cast<uint16_t>(stamp - 1); }

    void reset_all()
    {
        if (++stamp == 0) {
            // After 65535 emptyings an old entry could equal the stamp again.
            std::fill(flags.begin(), flags.end(), uint16_t{0});
            stamp = 1;
        }
    }

private:
    std::vector<uint16_t> flags;
    uint16_t stamp = 1;
};

// A 4-ary min-heap of ids keyed by 32-bit values, with the position of every
// id so that keys can change in place. Equal keys are never swapped.
class MinIDQueue {
public:
    struct IDKeyPair {
        unsigned id;
        unsigned key;
    };

    MinIDQueue() = default;
    explicit MinIDQueue(unsigned id_count)
        : position(id_count, not_queued)
        , heap(id_count)
    {
    }

    unsigned id_count() const { return static_cast<unsigned>(position.size()); }
    unsigned size() const { return heap_size; }
    bool empty() const { return heap_size == 0; }
    bool contains_id(unsigned id) const { return position[id] != not_queued; }

    // The entry with the smallest key; the queue must not be empty.
    IDKeyPair peek() const { return heap[0]; }

    // The id must not be queued.
    void push(unsigned id, unsigned key)
    {
        assert(!contains_id(id));
        const unsigned i = heap_size++;
        heap[i] = {id, key};
        position[id] = i;
        move_up(i);
    }

    // Removes and returns the entry with the smallest key; not on an empty queue.
    IDKeyPair pop()
    {
        assert(!empty());
        --heap_size;
        swap_entries(0, heap_size);
        position[heap[heap_size].id] = not_queued;
        move_down(0);
        return heap[heap_size];
    }

    // Lowers the key of a queued id; a key that is not smaller changes nothing.
    void decrease_key(unsigned id, unsigned key)
    {
        assert(contains_id(id));
        const unsigned i = position[id];
        if (key < heap[i].key) {
            heap[i].key = key;
            move_up(i);
        }
    }

    // Raises the key of a queued id; a key that is not larger changes nothing.
    void increase_key(unsigned id, unsigned key)
    {
        assert(contains_id(id));
        const unsigned i = position[id];
        if (key > heap[i].key) {
            heap[i].key = key;
            move_down(i);
        }
    }

    // Costs the number of queued ids, not the id count.
    void clear()
    {
        for (unsigned i = 0; i < heap_size; ++i)
            position[heap[i].id] = not_queued;
        heap_size = 0;
    }

private:
    static constexpr unsigned not_queued = 0xFFFFFFFFu;
    static constexpr unsigned arity = 4;

    void swap_entries(unsigned i, unsigned j)
    {
        std::swap(heap[i], heap[j]);
        position[heap[i].id] = i;
        position[heap[j].id] = j;
    }

    void move_up(unsigned i)
    {
        while (i > 0) {
            const unsigned parent = (i - 1) / arity;
            if (!(heap[i].key < heap[parent].key))
                return;
            swap_entries(i, parent);
            i = parent;
        }
    }

    void move_down(unsigned i)
    {
        for (;;) {
            // 64-bit: 4i + 1 passes 2^32 for the largest queues.
            const uint64_t first_child = uint64_t{arity} * i + 1;
            if (first_child >= heap_size)
                return;
            const uint64_t last_child = std::min<uint64_t>(first_child + arity, heap_size);
            auto smallest = static_cast<unsigned>(first_child);
            for (auto child = static_cast<unsigned>(first_child + 1); child < last_child; ++child) {
                if (heap[child].key < heap[smallest].key)
                    smallest = child;
            }
            if (!(heap[smallest].key < heap[i].key))
                return;
            swap_entries(i, smallest);
            i = smallest;
        }
    }

    std::vector<unsigned> position;
    std::vector<IDKeyPair> heap;
    unsigned heap_size = 0;
};

} // namespace Routing

#endif
