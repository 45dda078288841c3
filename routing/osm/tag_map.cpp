#include "routing/osm/tag_map.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>

namespace Routing {

namespace {

constexpr uint32_t bucket_count = 4096;

// The letters most frequent in OSM keys get codes of their own; every other
// byte folds into 0 to 6.
constexpr std::array<uint8_t, 256> make_letter_codes()
{
    std::array<uint8_t, 256> codes{};
    for (unsigned c = 0; c < 256; ++c)
        codes[c] = static_cast<uint8_t>(c % 7);
    const char letters[] = "aehinorst";
    const uint8_t letter_codes[] = {9, 7, 14, 11, 12, 10, 15, 13, 8};
    for (unsigned i = 0; i < 9; ++i) {
        codes[static_cast<unsigned char>(letters[i])] = letter_codes[i];
        codes[static_cast<unsigned char>(letters[i] - 'a' + 'A')] = letter_codes[i];
    }
    return codes;
}

constexpr std::array<uint8_t, 256> letter_codes = make_letter_codes();

uint32_t code(char c)
{
    return letter_codes[static_cast<unsigned char>(c)];
}

} // namespace

TagMap::TagMap() : bucket_begin(bucket_count, 0), bucket_end(bucket_count, 0) {}

uint32_t TagMap::bucket_of(const char *key)
{
    const size_t length = std::strlen(key);
    if (length == 0)
        return 0;
    return code(key[0]) * 256 + code(key[length - 1]) * 16 + code(key[(length - 1) / 2]);
}

const char *TagMap::operator[](const char *key) const
{
    const uint32_t bucket = bucket_of(key);
    for (uint32_t i = bucket_begin[bucket]; i < bucket_end[bucket]; ++i)
        if (std::strcmp(entries[i].key, key) == 0)
            return entries[i].value;
    return nullptr;
}

void TagMap::build(const std::vector<uint32_t> &key_ids, const std::vector<uint32_t> &value_ids,
                   const std::vector<const char *> &strings)
{
    for (const uint32_t word : order) {
        bucket_begin[word >> 16] = 0;
        bucket_end[word >> 16] = 0;
    }
    order.clear();
    const size_t n = key_ids.size();
    if (n > max_tag_count)
        throw std::runtime_error("PBF error: element has more than 65536 tags.");
    order.resize(n);
    for (uint32_t i = 0; i < n; ++i) {
        if (key_ids[i] >= strings.size())
            throw std::runtime_error("PBF error: key string ID is out of bounds.");
        order[i] = bucket_of(strings[key_ids[i]]) << 16 | i;
    }
    // Bucket first, then position in the tag list: equal keys keep file order.
    std::sort(order.begin(), order.end());
    entries.resize(n);
    for (uint32_t j = 0; j < n; ++j) {
        const uint32_t i = order[j] & 0xFFFF;
        const uint32_t bucket = order[j] >> 16;
        if (value_ids[i] >= strings.size())
            throw std::runtime_error("PBF error: value string ID is out of bounds.");
        entries[j] = {strings[key_ids[i]], strings[value_ids[i]]};
        if (j == 0 || bucket != order[j - 1] >> 16)
            bucket_begin[bucket] = j;
        bucket_end[bucket] = j + 1;
    }
}

} // namespace Routing

