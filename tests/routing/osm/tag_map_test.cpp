#include "routing/osm/tag_map.h"

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

class TagMapTest : public testing::Test
{
protected:
    // Builds the map for tags given as (key, value) texts.
    void build(const std::vector<std::pair<std::string, std::string>> &tags)
    {
        texts.clear();
        key_ids.clear();
        value_ids.clear();
        for (const auto &[key, value] : tags) {
            texts.push_back(key);
            texts.push_back(value);
            key_ids.push_back(static_cast<uint32_t>(texts.size() - 2));
            value_ids.push_back(static_cast<uint32_t>(texts.size() - 1));
        }
        strings.clear();
        for (const std::string &text : texts)
            strings.push_back(text.c_str());
        map.build(key_ids, value_ids, strings);
    }
    const char *operator[](const char *key) const { return map[key]; }

    TagMap map;
    std::vector<std::string> texts;
    std::vector<const char *> strings;
    std::vector<uint32_t> key_ids, value_ids;
};

TEST_F(TagMapTest, FindsEveryKeyOfTheCurrentElementOnly)
{
    // "abcd" and "abxd" share a bucket: the middle byte of a four-byte key is its second.
    build({{"abcd", "1"}, {"highway", "primary"}, {"abxd", "2"}, {"", "empty"}, {"name", "first"}, {"name", "second"}});
    EXPECT_EQ(TagMap::bucket_of("abcd"), TagMap::bucket_of("abxd"));
    EXPECT_STREQ((*this)["abcd"], "1");
    EXPECT_STREQ((*this)["abxd"], "2");
    EXPECT_STREQ((*this)["highway"], "primary");
    EXPECT_STREQ((*this)[""], "empty");
    EXPECT_STREQ((*this)["name"], "first");
    EXPECT_EQ((*this)["Highway"], nullptr);
    EXPECT_EQ((*this)["abzd"], nullptr);

    build({{"oneway", "yes"}});
    for (const char *key : {"abcd", "abxd", "highway", "", "name"})
        EXPECT_EQ((*this)[key], nullptr) << key;
    EXPECT_STREQ((*this)["oneway"], "yes");

    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 0; i < 65536; ++i)
        many.emplace_back("k" + std::to_string(i), std::to_string(i));
    build(many);
    EXPECT_STREQ((*this)["k65535"], "65535");
    EXPECT_STREQ((*this)["k0"], "0");
    many.emplace_back("k65536", "one too many");
    EXPECT_THROW(build(many), std::runtime_error);
    build({});
    EXPECT_EQ((*this)["k0"], nullptr);
    EXPECT_EQ((*this)["oneway"], nullptr);
}

TEST_F(TagMapTest, RejectsStringIdsOutOfRange)
{
    strings = {"a", "b"};
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
