#include "routing/core/min_id_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <vector>

using Routing::MinIDQueue;
using Routing::TimestampFlags;

namespace {

TEST(TimestampFlags, ResetsHideEveryEarlierSetIdAcrossStampWraps)
{
    // An id set right after construction, at the first stamp, must not come
    // back when the stamp wraps round to it.
    constexpr unsigned id_count = 50;
    TimestampFlags flags(id_count);
    flags.set(7);
    for (int i = 0; i < 65535; ++i)
        flags.reset_all();
    EXPECT_FALSE(flags.is_set(7));

    // Three more turns of the 16-bit stamp under random use.
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
        // Emptying at every second round on average, and in long runs around
        // the wrap, so that ids set just before it are tested after it.
        if (rng() % 2 == 0 || round % 65536 > 65000) {
            flags.reset_all();
            set_ids.clear();
        }
    }
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

    // Key changes that are no change leave the heap as it is: otherwise ids 1
    // and 2 would leave in the other order.
    MinIDQueue queue(3);
    queue.push(0, 10);
    queue.push(1, 20);
    queue.push(2, 20);
    queue.decrease_key(1, 20);
    queue.increase_key(0, 10);
    for (unsigned id : {0, 2, 1})
        EXPECT_EQ(queue.pop().id, id);
}

// Against a model of id -> key: every pop returns a smallest key, and the
// queue holds exactly the model's ids with the model's keys.
TEST(MinIDQueue, RandomOperationsMatchModel)
{
    std::mt19937 rng(17);
    for (unsigned id_count : {1u, 2u, 5u, 64u, 1000u}) {
        MinIDQueue queue(id_count);
        std::map<unsigned, unsigned> model;
        const auto pop_and_check = [&] {
            const auto smallest = std::min_element(model.begin(), model.end(),
                                                   [](auto a, auto b) { return a.second < b.second; })->second;
            ASSERT_EQ(queue.peek().key, smallest);
            const auto [id, key] = queue.pop();
            ASSERT_EQ(key, smallest);
            ASSERT_EQ(model.at(id), smallest);
            model.erase(id);
        };
        for (int step = 0; step < 20000; ++step) {
            const unsigned id = rng() % id_count;
            const unsigned key = rng() % 50;
            const unsigned op = rng() % 7;
            if (op < 2 && !model.count(id)) {
                queue.push(id, key);
                model[id] = key;
            } else if (op < 4 && !model.empty()) {
                pop_and_check();
            } else if (op == 4 && model.count(id)) {
                queue.decrease_key(id, key);
                model[id] = std::min(model[id], key);
            } else if (op == 5 && model.count(id)) {
                queue.increase_key(id, key);
                model[id] = std::max(model[id], key);
            } else if (op == 6 && rng() % 50 == 0) {
                queue.clear();
                model.clear();
            }
            ASSERT_EQ(queue.size(), model.size());
            for (unsigned i = 0; i < id_count; ++i)
                ASSERT_EQ(queue.contains_id(i), model.count(i) == 1);
        }
        while (!model.empty() && !testing::Test::HasFatalFailure())
            pop_and_check();
        EXPECT_TRUE(queue.empty());
    }
}

} // namespace
