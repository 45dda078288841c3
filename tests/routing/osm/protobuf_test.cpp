#include "routing/osm/protobuf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

using Routing::decode_varint_as_uint64_and_advance_first_parameter;

TEST(Protobuf, VarintsDecodeOrFailWithTheirTexts)
{
    const std::string expected_at_end =
        "Protobuf message is corrupt because varint was expected at the end of the message.";
    const std::string not_terminated =
        "Protobuf message is corrupt because varint was not terminated before the end of the message.";
    const std::string too_long = "Cannot decode varint because the value does not fit into 64 bit.";
    const struct
    {
        std::string bytes;
        uint64_t value;
        std::string error;
    } cases[] = {
        {std::string(1, '\0'), 0, ""},
        {"\x7f", 127, ""},
        {"\x80\x01", 128, ""},
        {std::string(9, '\xff') + "\x01", UINT64_MAX, ""},
        // At the tenth byte only the lowest bit counts.
        {std::string(9, '\xff') + "\x7f", UINT64_MAX, ""},
        {std::string(9, '\x80') + "\x02", 0, ""},
        {std::string(10, '\xff') + "\x01", 0, too_long},
        {"", 0, expected_at_end},
        {"\x80", 0, not_terminated},
        {std::string(9, '\xff'), 0, not_terminated},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        const char *begin = c.bytes.data();
        try {
            EXPECT_EQ(decode_varint_as_uint64_and_advance_first_parameter(begin, c.bytes.data() + c.bytes.size()),
                      c.value);
            EXPECT_EQ(begin, c.bytes.data() + c.bytes.size());
            EXPECT_EQ(c.error, "");
        } catch (const std::runtime_error &error) {
            EXPECT_EQ(error.what(), c.error);
        }
    }
}

TEST(Protobuf, ZigzagCoversTheWholeRange)
{
    EXPECT_EQ(Routing::zigzag_convert_uint64_to_int64(0), 0);
    EXPECT_EQ(Routing::zigzag_convert_uint64_to_int64(1), -1);
    EXPECT_EQ(Routing::zigzag_convert_uint64_to_int64(2), 1);
    EXPECT_EQ(Routing::zigzag_convert_uint64_to_int64(UINT64_MAX), INT64_MIN);
    EXPECT_EQ(Routing::zigzag_convert_uint64_to_int64(UINT64_MAX - 1), INT64_MAX);
}

} // namespace
