#include "routing/osm/buffered_asynchronous_reader.h"
#include "routing/osm/file_data_source.h"
#include "tests/routing/osm/pbf_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

namespace {

using Routing::BufferedAsynchronousReader;

struct SourceError
{
};

TEST(BufferedAsynchronousReader, RandomSpansAcrossTheRingSeeTheStreamIntact)
{
    for (const unsigned block_size : {1u, 7u, 64u, 4096u}) {
        SCOPED_TRACE(block_size);
        std::mt19937 random(block_size);
        std::string data(60000, '\0');
        std::generate(data.begin(), data.end(), random);
        // Random chunks of at most the capacity, often much less.
        auto source = [&data, pos = size_t{0}, random](char *buffer, unsigned long long capacity) mutable {
            const size_t wanted = random() % 3 == 0 ? capacity : 1 + random() % std::max(capacity, 1ull);
            const size_t n = std::min(wanted, data.size() - pos);
            std::memcpy(buffer, data.data() + pos, n);
            pos += n;
            return static_cast<unsigned long long>(n);
        };
        BufferedAsynchronousReader reader(source, block_size);
        size_t pos = 0;
        while (data.size() - pos >= block_size) {
            const unsigned n = random() % 4 == 0 ? block_size : random() % (block_size + 1);
            char *span = reader.read(n);
            ASSERT_NE(span, nullptr);
            ASSERT_EQ(std::string(span, n), data.substr(pos, n)) << "at " << pos;
            std::memset(span, 0x55, n); // the consumer may scribble over its span
            pos += n;
        }
        const unsigned left = static_cast<unsigned>(data.size() - pos);
        EXPECT_EQ(reader.read(left + 1), nullptr);
        EXPECT_EQ(error_of([&] { reader.read_or_throw(left + 1); }),
                  "Wanted to read " + std::to_string(left + 1) + " bytes but only " + std::to_string(left) +
                      " are available in the data source.");
        ASSERT_NE(reader.read(left), nullptr);
        EXPECT_EQ(reader.read(1), nullptr);
        EXPECT_EQ(error_of([&] { reader.read(block_size + 1); }),
                  "Requested to read " + std::to_string(block_size + 1) +
                      " bytes, which is more than the block size of " + std::to_string(block_size));
    }
}

TEST(BufferedAsynchronousReader, SourceErrorsReachTheConsumerWithTheirTypeAndDestructionDoesNotWait)
{
    // A source failing at its first or fifth call, or never: then the worker fills the ring and waits for space.
    for (const int failing_call : {1, 5, 0}) {
        SCOPED_TRACE(failing_call);
        int calls = 0;
        BufferedAsynchronousReader reader(
            [&calls, failing_call](char *buffer, unsigned long long capacity) {
                if (++calls == failing_call)
                    throw SourceError();
                std::memset(buffer, 1, capacity);
                return capacity;
            },
            16);
        if (failing_call == 0) {
            ASSERT_NE(reader.read(10), nullptr);
            BufferedAsynchronousReader other(std::move(reader));
            reader = std::move(other);
            continue;
        }
        // Data buffered before the error may or may not be delivered; the error
        // comes at the latest once it is consumed, and then on every read.
        int reads = 0;
        EXPECT_THROW(for (; reads < 100; ++reads) reader.read(16), SourceError);
        EXPECT_LE(reads, failing_call - 1);
        EXPECT_THROW(reader.read(0), SourceError);
        EXPECT_THROW(reader.read_or_throw(1), SourceError);
    }
}

TEST(FileDataSource, ReadsRewindsAndThrowsWithoutAFile)
{
    TemporaryFolder folder;
    const std::string file = folder.write("data", "0123456789"), missing = folder.path("missing");
    Routing::FileDataSource source;
    char buffer[16] = {};
    // Without a file the source throws instead of handing fread a null stream.
    EXPECT_EQ(error_of([&] { source.get_read_function_object()(buffer, 4); }), "No file is open for reading.");
    source.open(file.c_str());
    EXPECT_EQ(source.get_read_function_object()(buffer, 4), 4u);
    EXPECT_EQ(source.size(), 10u);
    EXPECT_EQ(source.read(buffer, 16), 6u);
    EXPECT_EQ(std::string(buffer, 6), "456789");
    EXPECT_EQ(error_of([&] { source.open(missing.c_str()); }),
              "Could not open file \"" + missing + "\" for reading.");
    source.rewind();
    EXPECT_EQ(source.read(buffer, 3), 3u) << "a failed open keeps the file";
    EXPECT_EQ(std::string(buffer, 3), "012");
}

} // namespace
