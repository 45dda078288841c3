#include "routing/osm/protobuf.h"

#include <stdexcept>
#include <string>

namespace Routing {

namespace {

// Compares lengths, never pointers: a hostile length must not wrap a pointer.
void skip_bytes(const char *&begin, const char *end, uint64_t count, const char *message)
{
    if (count > static_cast<uint64_t>(end - begin))
        throw std::runtime_error(message);
    begin += count;
}

} // namespace

uint64_t decode_varint_as_uint64_and_advance_first_parameter(const char *&begin, const char *end)
{
    if (begin == end)
        throw std::runtime_error("Protobuf message is corrupt because varint was expected at the end of the message.");
    uint64_t result = 0;
    for (unsigned shift = 0; begin != end; shift += 7) {
        const auto byte = static_cast<unsigned char>(*begin++);
        result |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0)
            return result;
        if (shift == 63)
            throw std::runtime_error("Cannot decode varint because the value does not fit into 64 bit.");
    }
    throw std::runtime_error(
        "Protobuf message is corrupt because varint was not terminated before the end of the message.");
}

int64_t zigzag_convert_uint64_to_int64(uint64_t x)
{
    return static_cast<int64_t>((x >> 1) ^ (0 - (x & 1)));
}

ProtobufField read_protobuf_field_and_advance(const char *&begin, const char *end)
{
    const uint64_t key = decode_varint_as_uint64_and_advance_first_parameter(begin, end);
    ProtobufField field{key >> 3, static_cast<uint32_t>(key & 7), 0, nullptr, nullptr};
    switch (field.wire_type) {
    case 0:
        field.value = decode_varint_as_uint64_and_advance_first_parameter(begin, end);
        break;
    case 1:
        skip_bytes(begin, end, 8,
                   "Protobuf message is corrupt, the end of message was reached while parsing a 64-bit floating "
                   "point.");
        break;
    case 2: {
        const uint64_t length = decode_varint_as_uint64_and_advance_first_parameter(begin, end);
        field.begin = begin;
        skip_bytes(begin, end, length,
                   "Protobuf message is corrupt, the end of message was reached while parsing a string or embedded "
                   "message.");
        field.end = begin;
        break;
    }
    case 5:
        skip_bytes(begin, end, 4,
                   "Protobuf message is corrupt, the end of message was reached while parsing a 32-bit floating "
                   "point.");
        break;
    default:
        throw std::runtime_error("Protobuf message contains unknown wire type " + std::to_string(field.wire_type) +
                                 ".");
    }
    return field;
}

} // namespace Routing
