#include "routing/osm/osm_decoder.h"

#include "routing/osm/protobuf.h"

#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

namespace Routing {

namespace {

using OptionalField = std::optional<ProtobufField>;

PackedVarints packed(const OptionalField &field)
{
    return field ? PackedVarints(*field) : PackedVarints();
}

// Reuses its working vectors and TagMap from element to element, so that the
// steady state allocates nothing.
class PrimitiveBlockDecoder
{
public:
    PrimitiveBlockDecoder(const OSMNodeCallback &node, const OSMWayCallback &way, const OSMRelationCallback &relation)
        : node(node), way(way), relation(relation)
    {
    }

    void decode_block(char *begin, char *end);

private:
    void read_string_table(char *block, const ProtobufField &table);
    void decode_group(const char *begin, const char *end);
    void decode_node(const char *begin, const char *end);
    void decode_dense_nodes(const char *begin, const char *end);
    void decode_way(const char *begin, const char *end);
    void decode_relation(const char *begin, const char *end);
    void build_tags(const OptionalField &keys, const OptionalField &values);

    const OSMNodeCallback &node;
    const OSMWayCallback &way;
    const OSMRelationCallback &relation;

    std::vector<const char *> strings;
    std::vector<std::pair<const char *, const char *>> groups;
    double granularity = 0;
    double lat_offset = 0;
    double lon_offset = 0;

    TagMap tags;
    std::vector<uint32_t> key_ids;
    std::vector<uint32_t> value_ids;
    std::vector<uint64_t> node_ids;
    std::vector<OSMRelationMember> members;
};

void PrimitiveBlockDecoder::decode_block(char *begin, char *end)
{
    strings.clear();
    groups.clear();
    OptionalField string_table;
    uint64_t raw_granularity = 100;
    int64_t raw_lat_offset = 0;
    int64_t raw_lon_offset = 0;
    for (const char *pos = begin; pos != end;) {
        const ProtobufField field = read_protobuf_field_and_advance(pos, end);
        if (field.number == 1 && field.wire_type == 2)
            string_table = field;
        else if (field.number == 2 && field.wire_type == 2)
            groups.emplace_back(field.begin, field.end);
        else if (field.number == 17 && field.wire_type == 0)
            raw_granularity = field.value;
        else if (field.number == 19 && field.wire_type == 0)
            raw_lat_offset = static_cast<int64_t>(field.value);
        else if (field.number == 20 && field.wire_type == 0)
            raw_lon_offset = static_cast<int64_t>(field.value);
    }
    if (raw_granularity == 0)
        throw std::runtime_error("PBF error: latlon_granularity of a block must not be zero.");
    granularity = static_cast<double>(raw_granularity) * 1e-9;
    lat_offset = static_cast<double>(raw_lat_offset) * 1e-9;
    lon_offset = static_cast<double>(raw_lon_offset) * 1e-9;
    if (string_table)
        read_string_table(begin, *string_table);
    for (const auto &[group_begin, group_end] : groups)
        decode_group(group_begin, group_end);
}

// Each string moves one byte down, over the last byte of its length prefix,
// and gets a terminating NUL: texts without copies.
void PrimitiveBlockDecoder::read_string_table(char *block, const ProtobufField &table)
{
    for (const char *pos = table.begin; pos != table.end;) {
        const ProtobufField field = read_protobuf_field_and_advance(pos, table.end);
        if (field.wire_type != 2)
            continue;
        char *text = block + (field.begin - block) - 1;
        const size_t length = field.end - field.begin;
        std::memmove(text, text + 1, length);
        text[length] = '\0';
        strings.push_back(text);
    }
}

void PrimitiveBlockDecoder::decode_group(const char *begin, const char *end)
{
    while (begin != end) {
        const ProtobufField field = read_protobuf_field_and_advance(begin, end);
        if (field.wire_type != 2)
            continue;
        if (field.number == 1 && node)
            decode_node(field.begin, field.end);
        else if (field.number == 2 && node)
            decode_dense_nodes(field.begin, field.end);
        else if (field.number == 3 && way)
            decode_way(field.begin, field.end);
        else if (field.number == 4 && relation)
            decode_relation(field.begin, field.end);
    }
}

void PrimitiveBlockDecoder::build_tags(const OptionalField &keys, const OptionalField &values)
{
    key_ids.clear();
    value_ids.clear();
    PackedVarints key_list = packed(keys), value_list = packed(values);
    while (!key_list.empty() || !value_list.empty()) {
        if (key_list.empty() || value_list.empty())
            throw std::runtime_error("PBF error: key and value arrays do not decode to equal length.");
        key_ids.push_back(static_cast<uint32_t>(key_list.next()));
        value_ids.push_back(static_cast<uint32_t>(value_list.next()));
    }
    tags.build(key_ids, value_ids, strings);
}

void PrimitiveBlockDecoder::decode_node(const char *begin, const char *end)
{
    std::optional<uint64_t> id;
    OptionalField keys, values;
    int64_t latitude = 0, longitude = 0;
    for (const char *pos = begin; pos != end;) {
        const ProtobufField field = read_protobuf_field_and_advance(pos, end);
        if (field.number == 1 && field.wire_type == 0)
            id = static_cast<uint64_t>(zigzag_convert_uint64_to_int64(field.value));
        else if (field.number == 2 && field.wire_type == 2)
            keys = field;
        else if (field.number == 3 && field.wire_type == 2)
            values = field;
        else if (field.number == 8 && field.wire_type == 0)
            latitude = zigzag_convert_uint64_to_int64(field.value);
        else if (field.number == 9 && field.wire_type == 0)
            longitude = zigzag_convert_uint64_to_int64(field.value);
    }
    if (!id)
        throw std::runtime_error("PBF error: node is missing its OSM ID.");
    build_tags(keys, values);
    node(*id, static_cast<double>(latitude) * granularity + lat_offset,
         static_cast<double>(longitude) * granularity + lon_offset, tags);
}

void PrimitiveBlockDecoder::decode_dense_nodes(const char *begin, const char *end)
{
    OptionalField ids, latitudes, longitudes, keys_vals;
    for (const char *pos = begin; pos != end;) {
        const ProtobufField field = read_protobuf_field_and_advance(pos, end);
        if (field.wire_type != 2)
            continue;
        if (field.number == 1)
            ids = field;
        else if (field.number == 8)
            latitudes = field;
        else if (field.number == 9)
            longitudes = field;
        else if (field.number == 10)
            keys_vals = field;
    }
    if (!ids)
        throw std::runtime_error("PBF error: dense node must contain node IDs.");
    if (!latitudes)
        throw std::runtime_error("PBF error: dense node must contain latitudes.");
    if (!longitudes)
        throw std::runtime_error("PBF error: dense node must contain longitudes.");

    PackedVarints id_list(*ids), latitude_list(*latitudes), longitude_list(*longitudes), tag_list = packed(keys_vals);
    // Unsigned sums: hostile deltas wrap instead of overflowing.
    uint64_t id = 0;
    double latitude = 0, longitude = 0;
    while (!id_list.empty()) {
        id += static_cast<uint64_t>(zigzag_convert_uint64_to_int64(id_list.next()));
        latitude += static_cast<double>(zigzag_convert_uint64_to_int64(latitude_list.next())) * granularity;
        longitude += static_cast<double>(zigzag_convert_uint64_to_int64(longitude_list.next())) * granularity;
        key_ids.clear();
        value_ids.clear();
        if (keys_vals) {
            for (;;) {
                const auto key = static_cast<uint32_t>(tag_list.next());
                if (key == 0)
                    break;
                key_ids.push_back(key);
                value_ids.push_back(static_cast<uint32_t>(tag_list.next()));
            }
        }
        tags.build(key_ids, value_ids, strings);
        node(id, latitude + lat_offset, longitude + lon_offset, tags);
    }
    if (!latitude_list.empty())
        throw std::runtime_error("PBF error: dense node latitude array has a different length than the node ID array.");
    if (!longitude_list.empty())
        throw std::runtime_error(
            "PBF error: dense node longitude array has a different length than the node ID array.");
    if (!tag_list.empty())
        throw std::runtime_error("PBF error: dense node key-value array is too long.");
}

void PrimitiveBlockDecoder::decode_way(const char *begin, const char *end)
{
    std::optional<uint64_t> id;
    OptionalField keys, values, refs;
    for (const char *pos = begin; pos != end;) {
        const ProtobufField field = read_protobuf_field_and_advance(pos, end);
        if (field.number == 1 && field.wire_type == 0)
            id = field.value;
        else if (field.number == 2 && field.wire_type == 2)
            keys = field;
        else if (field.number == 3 && field.wire_type == 2)
            values = field;
        else if (field.number == 8 && field.wire_type == 2)
            refs = field;
    }
    if (!id)
        throw std::runtime_error("PBF error: way is missing its OSM ID.");
    build_tags(keys, values);
    node_ids.clear();
    uint64_t ref = 0;
    for (PackedVarints ref_list = packed(refs); !ref_list.empty();) {
        ref += static_cast<uint64_t>(zigzag_convert_uint64_to_int64(ref_list.next()));
        node_ids.push_back(ref);
    }
    way(*id, node_ids, tags);
}

void PrimitiveBlockDecoder::decode_relation(const char *begin, const char *end)
{
    std::optional<uint64_t> id;
    OptionalField keys, values, roles, member_ids, types;
    for (const char *pos = begin; pos != end;) {
        const ProtobufField field = read_protobuf_field_and_advance(pos, end);
        if (field.number == 1 && field.wire_type == 0)
            id = field.value;
        else if (field.wire_type != 2)
            continue;
        else if (field.number == 2)
            keys = field;
        else if (field.number == 3)
            values = field;
        else if (field.number == 8)
            roles = field;
        else if (field.number == 9)
            member_ids = field;
        else if (field.number == 10)
            types = field;
    }
    if (!id)
        throw std::runtime_error("PBF error: relation is missing its OSM ID.");
    build_tags(keys, values);
    members.clear();
    PackedVarints id_list = packed(member_ids), role_list = packed(roles), type_list = packed(types);
    uint64_t member_id = 0;
    while (!id_list.empty()) {
        member_id += static_cast<uint64_t>(zigzag_convert_uint64_to_int64(id_list.next()));
        const uint64_t role = role_list.next();
        if (role >= strings.size())
            throw std::runtime_error("PBF error: relation member role string ID is out of bounds.");
        const uint64_t type = type_list.next();
        if (type > 2)
            throw std::runtime_error("PBF error: Unknown relation type.");
        members.push_back({static_cast<OSMRelationMemberType>(type), member_id, strings[role]});
    }
    relation(*id, members, tags);
}

} // namespace

void internal_read_osm_pbf(BufferedAsynchronousReader &blob_reader, const OSMNodeCallback &node,
                           const OSMWayCallback &way, const OSMRelationCallback &relation, const OSMLogCallback &)
{
    PrimitiveBlockDecoder decoder(node, way, relation);
    for (;;) {
        const char *size_bytes = blob_reader.read(4);
        if (size_bytes == nullptr)
            return;
        uint32_t size;
        std::memcpy(&size, size_bytes, 4);
        char *block = blob_reader.read_or_throw(size);
        decoder.decode_block(block, block + size);
    }
}

} // namespace Routing
