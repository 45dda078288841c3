#ifndef ROUTING_OSM_TAG_MAP_H
#define ROUTING_OSM_TAG_MAP_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Routing {

// The tags of one OSM element during its callback, looked up by key through a
// fixed 4096-bucket hash over three characters of the key. The texts live in
// the current block; a callback that needs them later copies them.
class TagMap
{
public:
    struct Entry
    {
        const char *key;
        const char *value;
    };

    // Tag indices are kept in 16 bits.
    static constexpr size_t max_tag_count = 65536;

    TagMap();

    // The value of the first tag with this key, or nullptr.
    const char *operator[](const char *key) const;

    // Rebuilds the map for an element with tag i = (strings[key_ids[i]],
    // strings[value_ids[i]]); touches only the buckets of the previous element.
    void build(const std::vector<uint32_t> &key_ids, const std::vector<uint32_t> &value_ids,
               const std::vector<const char *> &strings);

    static uint32_t bucket_of(const char *key);

private:
    std::vector<uint32_t> order;
    std::vector<Entry> entries;
    std::vector<uint32_t> bucket_begin;
    std::vector<uint32_t> bucket_end;
};

} // namespace Routing

#endif
