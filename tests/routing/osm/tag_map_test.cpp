#include "routing/osm/tag_map.h"
#include "tests/routing/osm/pbf_test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Routing::TagMap;

TEST(TagMap, BucketsFollowTheLetterCodes)
{
    const std::pair<const char *, uint32_t> buckets[] = {
        {"highway", 3630}, {"oneway", 2599}, {"maxspeed", 1069}, {"junction", 449}, {"access", 2513},
        {"name", 3193},    {"a", 2457},      {"", 0},            {"NAME", 3193}, {"\xff", 3 * 256 + 3 * 16 + 3},
    };
    for (const auto &[key, bucket] : buckets)
        EXPECT_EQ(TagMap::bucket_of(key), bucket) << key;
}

TEST(TagMap, FindsEveryKeyOfTheCurrentElementOnly)
{
    // "abcd" and "abxd" share a bucket: the middle byte of a four-byte key is its second.
    const TestTags tags({{"abcd", "1"}, {"highway", "primary"}, {"abxd", "2"}, {"", "empty"}, {"name", "first"},
                         {"name", "second"}});
    EXPECT_EQ(TagMap::bucket_of("abcd"), TagMap::bucket_of("abxd"));
    EXPECT_STREQ(tags.map()["abcd"], "1");
    EXPECT_STREQ(tags.map()["abxd"], "2");
    EXPECT_STREQ(tags.map()["highway"], "primary");
    EXPECT_STREQ(tags.map()[""], "empty");
    EXPECT_STREQ(tags.map()["name"], "first");
    EXPECT_EQ(tags.map()["Highway"], nullptr);
    EXPECT_EQ(tags.map()["abzd"], nullptr);

    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 0; i < 65536; ++i)
        many.emplace_back("k" + std::to_string(i), std::to_string(i));
    const TestTags most(many);
    EXPECT_STREQ(most.map()["k65535"], "65535");
    EXPECT_STREQ(most.map()["k0"], "0");
    many.emplace_back("k65536", "one too many");
    EXPECT_THROW(TestTags{many}, std::runtime_error);

    // Rebuilding one map: nothing of the previous element stays.
    TagMap map;
    std::vector<const char *> strings = {"oneway", "yes", "highway", "primary"};
    map.build({2}, {3}, strings);
    map.build({0}, {1}, strings);
    EXPECT_EQ(map["highway"], nullptr);
    EXPECT_STREQ(map["oneway"], "yes");
    map.build({}, {}, strings);
    EXPECT_EQ(map["oneway"], nullptr);
}

TEST(TagMap, RejectsStringIdsOutOfRange)
{
    TagMap map;
    const std::vector<const char *> strings = {"a", "b"};
    for (const auto &[keys, values, message] :
         {std::tuple{std::vector<uint32_t>{2}, std::vector<uint32_t>{1}, "PBF error: key string ID is out of bounds."},
          std::tuple{std::vector<uint32_t>{0}, std::vector<uint32_t>{2}, "PBF error: value string ID is out of bounds."}}) {
        try {
            map.build(keys, values, strings);
            ADD_FAILURE() << message;
        } catch (const std::runtime_error &error) {
            EXPECT_STREQ(error.what(), message);
        }
    }
}

} // namespace
