#ifndef ROUTING_OSM_PROTOBUF_H
#define ROUTING_OSM_PROTOBUF_H

#include <cstdint>

namespace Routing {

// Decodes one base-128 varint and moves `begin` past it.
uint64_t decode_varint_as_uint64_and_advance_first_parameter(const char *&begin, const char *end);

int64_t zigzag_convert_uint64_to_int64(uint64_t x);

struct ProtobufField
{
    uint64_t number;
    uint32_t wire_type;
    // Wire type 0.
    uint64_t value;
    // Wire type 2: the content.
    const char *begin;
    const char *end;
};

// Reads the field at `begin` of a message ending at `end` and moves `begin`
// past it. Fixed-size fields are skipped over; unknown wire types throw.
ProtobufField read_protobuf_field_and_advance(const char *&begin, const char *end);

// The varints of a packed repeated field, one at a time.
class PackedVarints
{
public:
    PackedVarints() = default;
    PackedVarints(const char *begin, const char *end) : pos(begin), end(end) {}
    explicit PackedVarints(const ProtobufField &field) : pos(field.begin), end(field.end) {}

    bool empty() const { return pos == end; }
    // Throws when the list is exhausted.
    uint64_t next() { return decode_varint_as_uint64_and_advance_first_parameter(pos, end); }

private:
    const char *pos = nullptr;
    const char *end = nullptr;
};

} // namespace Routing

#endif
