#include "routing/core/min_id_queue.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

using Routing::MinIDQueue;
using Routing::TimestampFlags;

namespace {

TEST(TimestampFlags, ResetsHideEveryEarlierSetIdAcrossStampWraps)
{
    // Three full turns of the 16-bit stamp: an id set under one stamp must not
    // reappear when the stamp comes round to the same value again.
    constexpr unsigned id_count = 50;
    TimestampFlags flags(id_count);
    std::mt19937 rng(3);
    std::set<unsigned> set_ids;
    for (unsigned round = 0; round < 3 * 65536 + 5; ++round) {
        for (unsigned id = 0; id < id_count; ++id)
            ASSERT_EQ(flags.is_set(id), set_ids.count(id) == 1) << "round " << round << " id " << id;
        const unsigned id = rng() % id_count;
        if (rng() % 4 == 0) {
            flags.reset_one(id);
            set_ids.erase(id);
        } else {
            flags.set(id);
            set_ids.insert(id);
        }
        if (rng() % 2 == 0) {
            flags.reset_all();
            set_ids.clear();
        }
    }
}

TEST(TimestampFlags, IdSetBeforeTheWrapIsGoneAfterIt)
{
    TimestampFlags flags(3);
    flags.set(1);
    flags.reset_one(2);
    for (int i = 0; i < 65535; ++i)
        flags.reset_all();
    for (unsigned id = 0; id < 3; ++id)
        EXPECT_FALSE(flags.is_set(id));
    flags.set(2);
    EXPECT_TRUE(flags.is_set(2));
    EXPECT_FALSE(flags.is_set(1));
}

// Pushing keys[i] for id i and popping everything gives this order: equal keys
// are never swapped, and moving down takes the first of equally small children.
TEST(MinIDQueue, TiesFollowPushOrderAndFirstChild)
{
    const struct {
        std::vector<unsigned> keys;
        std::vector<unsigned> pop_order;
    } cases[] = {
        {{5, 3, 3}, {1, 2, 0}},
        {{1, 5, 5, 5, 7}, {0, 1, 3, 2, 4}},
        {{4, 4, 4, 4, 4, 4}, {0, 5, 4, 3, 2, 1}},
    };
    for (const auto& c : cases) {
        MinIDQueue queue(static_cast<unsigned>(c.keys.size()));
        for (unsigned id = 0; id < c.keys.size(); ++id)
            queue.push(id, c.keys[id]);
        std::vector<unsigned> popped;
        while (!queue.empty())
            popped.push_back(queue.pop().id);
        EXPECT_EQ(popped, c.pop_order);
    }
}

// Against a model of id -> key: every pop returns a smallest key, and the
// queue holds exactly the model's ids with the model's keys.
TEST(MinIDQueue, RandomOperationsMatchModel)
{
    std::mt19937 rng(17);
    for (unsigned id_count : {1u, 2u, 5u, 64u, 1000u}) {
        MinIDQueue queue(id_count);
        std::map<unsigned, unsigned> model;
        for (int step = 0; step < 20000; ++step) {
            const unsigned id = rng() % id_count;
            const unsigned key = rng() % 50;
            switch (rng() % 8) {
            case 0:
            case 1:
                if (!model.count(id)) {
                    queue.push(id, key);
                    model[id] = key;
                }
                break;
            case 2:
            case 3:
                if (!model.empty()) {
                    unsigned smallest = ~0u;
                    for (const auto& [i, k] : model)
                        smallest = std::min(smallest, k);
                    ASSERT_EQ(queue.peek().key, smallest);
                    const auto [popped_id, popped_key] = queue.pop();
                    ASSERT_EQ(popped_key, smallest);
                    ASSERT_EQ(model.at(popped_id), smallest);
                    model.erase(popped_id);
                }
                break;
            case 4:
                if (model.count(id)) {
                    queue.decrease_key(id, key);
                    model[id] = std::min(model[id], key);
                }
                break;
            case 5:
                if (model.count(id)) {
                    queue.increase_key(id, key);
                    model[id] = std::max(model[id], key);
                }
                break;
            case 6:
                if (rng() % 50 == 0) {
                    queue.clear();
                    model.clear();
                }
                break;
            default:
                break;
            }
            ASSERT_EQ(queue.size(), model.size());
            ASSERT_EQ(queue.empty(), model.empty());
            for (unsigned i = 0; i < id_count; ++i)
                ASSERT_EQ(queue.contains_id(i), model.count(i) == 1);
        }
        // Draining yields the remaining keys in ascending order.
        unsigned previous = 0;
        while (!queue.empty()) {
            const auto [popped_id, popped_key] = queue.pop();
            EXPECT_GE(popped_key, previous);
            EXPECT_EQ(model.at(popped_id), popped_key);
            previous = popped_key;
        }
    }
}

TEST(MinIDQueue, KeyChangesInTheWrongDirectionChangeNothing)
{
    MinIDQueue queue(4);
    queue.push(0, 10);
    queue.push(1, 20);
    queue.push(2, 20);
    queue.decrease_key(1, 20);
    queue.decrease_key(1, 30);
    queue.increase_key(0, 10);
    queue.increase_key(0, 5);
    // Had a no-op changed the heap, ids 1 and 2 would leave in the other order:
    // after id 0 leaves, id 2 moves to the top and is not swapped with the
    // equal key of id 1.
    const std::vector<MinIDQueue::IDKeyPair> expected = {{0, 10}, {2, 20}, {1, 20}};
    for (const auto& e : expected) {
        const auto popped = queue.pop();
        EXPECT_EQ(popped.id, e.id);
        EXPECT_EQ(popped.key, e.key);
    }
}

} // namespace
