#include "routing/core/min_id_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

using Routing::MinIDQueue;
using Routing::TimestampFlags;

namespace {

TEST(TimestampFlags, ResetsHideEveryEarlierSetIdAcrossStampWraps)
{
    // An id set at the first stamp must not come back when the stamp wraps round to it.
    constexpr unsigned id_count = 50;
    TimestampFlags flags(id_count);
    flags.set(7);
    for (int i = 0; i < 65535; ++i)
        flags.reset_all();
    EXPECT_FALSE(flags.is_set(7));

    // Three more turns of the stamp under random use, emptying at every second
    // round on average and in long runs around the wrap, so that ids set just
    // before it are tested after it.
    std::mt19937 rng(3);
    std::vector<bool> model(id_count, false);
    for (unsigned round = 0; round < 3 * 65536 + 5; ++round) {
        for (unsigned id = 0; id < id_count; ++id)
            ASSERT_EQ(flags.is_set(id), model[id]) << "round " << round << " id " << id;
        const unsigned id = rng() % id_count;
        model[id] = rng() % 4 != 0;
        model[id] ? flags.set(id) : flags.reset_one(id);
        if (rng() % 2 == 0 || round % 65536 > 65000) {
            flags.reset_all();
            model.assign(id_count, false);
        }
    }
}

// Pushing keys[i] for id i and popping everything gives this order: equal keys
// are never swapped, and moving down takes the first of equally small children.
// Key changes that are no change leave the heap as it is (the last row).
TEST(MinIDQueue, TiesFollowPushOrderAndFirstChild)
{
    const std::pair<std::vector<unsigned>, std::vector<unsigned>> cases[] = {
        {{5, 3, 3}, {1, 2, 0}},
        {{1, 5, 5, 5, 7}, {0, 1, 3, 2, 4}},
        {{4, 4, 4, 4, 4, 4}, {0, 5, 4, 3, 2, 1}},
        {{10, 20, 20}, {0, 2, 1}},
    };
    for (const auto& [keys, pop_order] : cases) {
        MinIDQueue queue(static_cast<unsigned>(keys.size()));
        for (unsigned id = 0; id < keys.size(); ++id)
            queue.push(id, keys[id]);
        queue.decrease_key(1, keys[1]);
        queue.increase_key(0, keys[0]);
        std::vector<unsigned> popped;
        while (!queue.empty())
            popped.push_back(queue.pop().id);
        EXPECT_EQ(popped, pop_order);
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
        const auto pop_and_check = [&] {
            const auto by_key = [](auto a, auto b) { return a.second < b.second; };
            const unsigned smallest = std::min_element(model.begin(), model.end(), by_key)->second;
            ASSERT_EQ(queue.peek().key, smallest);
            const auto [id, key] = queue.pop();
            ASSERT_TRUE(key == smallest && model.at(id) == smallest);
            model.erase(id);
        };
        for (int step = 0; step < 20000; ++step) {
            const unsigned id = rng() % id_count, key = rng() % 50, op = rng() % 7;
            const bool queued = model.count(id);
            if (op < 2 && !queued) {
                queue.push(id, key);
                model[id] = key;
            } else if (op < 4 && !model.empty()) {
                pop_and_check();
            } else if (op == 4 && queued) {
                queue.decrease_key(id, key);
                model[id] = std::min(model[id], key);
            } else if (op == 5 && queued) {
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
