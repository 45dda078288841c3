#include "routing/core/contraction_hierarchy.h"
#include "tests/routing/core/hierarchy_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

using Routing::ContractionHierarchy;

namespace {

std::string little_endian(std::initializer_list<uint32_t> words)
{
    std::string bytes;
    for (uint32_t word : words)
        for (int i = 0; i < 4; ++i)
            bytes += char(word >> (8 * i));
    return bytes;
}

const std::string magic = "reiHtnoC";
const char *const stream_failure = "std::istream::read failed while reading a contraction hierarchy";
const char *const size_failure = "CH file has a different size than specified in the header. This file is corrupt.";

} // namespace

TEST(ContractionHierarchyFile, ByteExactSmallFiles)
{
    // One node: header and rank, then each side's two-entry first_out.
    EXPECT_EQ(file_of(build_hierarchy({"", 1, {}, {}, {}})), magic + little_endian({1, 0, 0, 0, 0, 0, 0, 0, 0}));
    // One forward arc 0 -> 1 of weight 7: its bit array is one block with bit 0 set.
    EXPECT_EQ(file_of(build_hierarchy({"", 2, {0}, {1}, {7}})),
              magic + little_endian({2, 1, 0, 0, 0, 1, 0, 1, 1, 1, 7}) + '\1' + std::string(63, '\0')
                  + little_endian({0, 1, 0, 0, 0}));

    // Bit arrays are whole 64-byte blocks: none for 0 arcs, 64 bytes up to 512, 128 for 513.
    for (auto [arcs, size] : {std::pair{0u, 44u}, {1u, 136u}, {512u, 14444u}, {513u, 14536u}}) {
        TestGraph star{"out-star", arcs + 1, {}, {}, {}};
        for (unsigned leaf = 1; leaf <= arcs; ++leaf)
            star.add_arc(0, leaf, leaf);
        const ContractionHierarchy ch = build_hierarchy(star);
        const std::string file = file_of(ch);
        EXPECT_EQ(file.size(), size) << arcs;
        std::istringstream in(file);
        expect_hierarchy(ContractionHierarchy::read(in, file.size()), ch);
    }
}

TEST(ContractionHierarchyFile, HostileFilesEndInTheirOwnError)
{
    const ContractionHierarchy ch = build_hierarchy(jittered_grid_graph(4, 5, 2));
    const std::string file = file_of(ch);
    // What reading `bytes` throws; with the size rule for a size of 0 or more.
    const auto read_error = [](const std::string &bytes, long long size = -1) {
        return error_of([&] {
            std::istringstream in(bytes);
            size < 0 ? ContractionHierarchy::read(in) : ContractionHierarchy::read(in, size);
        });
    };
    for (size_t length = 0; length < file.size(); ++length) {
        const std::string cut = file.substr(0, length);
        ASSERT_EQ(read_error(cut), stream_failure) << length;
        ASSERT_EQ(read_error(cut, length), length < 24 ? stream_failure : size_failure) << length;
    }
    EXPECT_EQ(read_error(file + '\0', file.size() + 1), size_failure);

    const auto corrupted = [&file](size_t offset, uint32_t value) {
        return std::string(file).replace(offset, 4, little_endian({value}));
    };
    // Knowing the size, counts far beyond the file are refused by the size
    // rule before anything is allocated.
    const std::string bad_rank = "CH file has a rank that is not a permutation. This file is corrupt.";
    for (const auto &[bytes, message] :
         {std::pair<std::string, std::string>{corrupted(0, 0x48696573),
                                              "CH file magic number broken. Is this really a CH file?"},
          {corrupted(8, 0xFFFFFFFF), stream_failure},
          {corrupted(12, 0xFFFFFFFF), stream_failure},
          {corrupted(24 + 4 * 3, unsigned(ch.rank.size())), bad_rank},
          {corrupted(24 + 4 * 3, ch.rank[4]), bad_rank}}) {
        EXPECT_EQ(read_error(bytes), message);
        EXPECT_EQ(read_error(bytes, bytes.size()), message == stream_failure ? size_failure : message);
    }

    // Stray padding bits after the last arc's bit are cleared.
    std::string padded = file;
    const size_t n = ch.rank.size(), f = ch.forward.head.size(), bits_at = 24 + 4 * (2 * n + 1 + 2 * f);
    ASSERT_LT(f, 504u);
    padded[bits_at + 63] = char(0x80);
    std::istringstream in(padded);
    expect_hierarchy(ContractionHierarchy::read(in), ch);
}

TEST(ContractionHierarchyFile, FilesStreamsAndByteFunctions)
{
    const ContractionHierarchy ch = build_hierarchy(jittered_grid_graph(3, 3, 1));
    const std::string directory = testing::TempDir() + "ch_file_test";
    std::filesystem::create_directories(directory);
    const std::string path = directory + "/grid.ch";
    ch.save_file(path);
    expect_hierarchy(ContractionHierarchy::load_file(path), ch);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) + 1);
    EXPECT_EQ(error_of([&] { ContractionHierarchy::load_file(path); }), size_failure);

    const std::string missing = directory + "/missing/grid.ch";
    EXPECT_EQ(error_of([&] { ContractionHierarchy::load_file(missing); }),
              "Can not open \"" + missing + "\" for reading.");
    EXPECT_EQ(error_of([&] { ch.save_file(missing); }), "Can not open \"" + missing + "\" for writing.");
    if (std::filesystem::exists("/dev/full")) { // a full disk shows when the buffer is flushed
        EXPECT_EQ(error_of([&] { ch.save_file("/dev/full"); }), "Can not finish writing \"/dev/full\".");
    }
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    EXPECT_EQ(error_of([&] { ch.write(broken); }), "std::ostream::write failed while writing a contraction hierarchy");

    // Arrays that disagree with the header's counts are refused before any byte goes out.
    int calls = 0;
    const ContractionHierarchy::ByteSink counting = [&calls](const char *, unsigned long long) { ++calls; };
    ContractionHierarchy broken_arrays = ch;
    broken_arrays.backward.weight.pop_back();
    EXPECT_EQ(error_of([&] { broken_arrays.write(counting); }),
              "Can not write a contraction hierarchy whose backward.weight has "
                  + std::to_string(ch.backward.head.size() - 1) + " entries instead of "
                  + std::to_string(ch.backward.head.size()) + ".");
    EXPECT_EQ(error_of([&] { ContractionHierarchy().write(counting); }),
              "Can not write a contraction hierarchy without forward.first_out.");
    EXPECT_EQ(calls, 0);

    // Exceptions of byte functions pass through.
    const ContractionHierarchy::ByteSource failing = [](char *, unsigned long long) {
        throw std::out_of_range("source ran dry");
    };
    EXPECT_EQ(error_of([&] { ContractionHierarchy::read(failing); }), "source ran dry");
    EXPECT_EQ(error_of([&] { Routing::read_vector<unsigned>(failing, ~0ull); }),
              "cannot create std::vector larger than max_size()");
}
