// Reading and writing a contraction hierarchy as one little-endian file.

#include "routing/core/contraction_hierarchy.h"

#include "routing/core/constants.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <istream>
#include <optional>
#include <ostream>
#include <stdexcept>

namespace Routing {

static_assert(std::endian::native == std::endian::little, "the file format stores the arrays as they lie in memory");

namespace {

constexpr uint64_t magic_number = 0x436F6E7448696572ull; // "reiHtnoC" on disk
constexpr unsigned header_size = 24;

const char *const stream_read_failure = "std::istream::read failed while reading a contraction hierarchy";

uint64_t bit_array_bytes(uint64_t bits)
{
    return 64 * ((bits + 511) / 512);
}

uint64_t file_size_for(uint64_t n, uint64_t f, uint64_t b)
{
    return header_size + 4 * (3 * n + 2 + 4 * (f + b)) + bit_array_bytes(f) + bit_array_bytes(b);
}

template <class T>
void write_vector(const ContractionHierarchy::ByteSink &sink, const std::vector<T> &v)
{
    sink(reinterpret_cast<const char *>(v.data()), sizeof(T) * v.size());
}

// Every array must have the size that the header announces, or the file
// would not read back.
void check_size(const char *array, uint64_t size, uint64_t expected)
{
    if (size != expected)
        throw std::runtime_error(std::string("Can not write a contraction hierarchy whose ") + array + " has "
                                 + std::to_string(size) + " entries instead of " + std::to_string(expected) + ".");
}

void check_side(const ContractionHierarchy::Side &side, const char *name, uint64_t node_count)
{
    const std::string prefix = std::string(name) + ".";
    const uint64_t arc_count = side.head.size();
    check_size((prefix + "first_out").c_str(), side.first_out.size(), node_count + 1);
    if (arc_count > UINT32_MAX)
        throw std::runtime_error("Can not write a contraction hierarchy with more than 4294967295 arcs per direction.");
    check_size((prefix + "weight").c_str(), side.weight.size(), arc_count);
    check_size((prefix + "is_shortcut_an_original_arc").c_str(), side.is_shortcut_an_original_arc.size(), arc_count);
    check_size((prefix + "shortcut_first_arc").c_str(), side.shortcut_first_arc.size(), arc_count);
    check_size((prefix + "shortcut_second_arc").c_str(), side.shortcut_second_arc.size(), arc_count);
}

void write_side(const ContractionHierarchy::ByteSink &sink, const ContractionHierarchy::Side &side)
{
    write_vector(sink, side.first_out);
    write_vector(sink, side.head);
    write_vector(sink, side.weight);
    sink(reinterpret_cast<const char *>(side.is_shortcut_an_original_arc.data()),
         bit_array_bytes(side.is_shortcut_an_original_arc.size()));
    write_vector(sink, side.shortcut_first_arc);
    write_vector(sink, side.shortcut_second_arc);
}

ContractionHierarchy::Side read_side(const ContractionHierarchy::ByteSource &source, uint64_t node_count,
                                     uint64_t arc_count)
{
    ContractionHierarchy::Side side;
    side.first_out = read_vector<unsigned>(source, node_count + 1);
    side.head = read_vector<unsigned>(source, arc_count);
    side.weight = read_vector<unsigned>(source, arc_count);
    side.is_shortcut_an_original_arc = BitVector(arc_count, false);
    source(reinterpret_cast<char *>(side.is_shortcut_an_original_arc.data()), bit_array_bytes(arc_count));
    side.is_shortcut_an_original_arc.reset_all_padding_bits();
    side.shortcut_first_arc = read_vector<unsigned>(source, arc_count);
    side.shortcut_second_arc = read_vector<unsigned>(source, arc_count);
    return side;
}

// The size rule is checked against `file_size` when it is known; when only
// the bytes left in the source are known, counts that need more are refused
// before anything is allocated.
ContractionHierarchy read_hierarchy(const ContractionHierarchy::ByteSource &source,
                                    std::optional<uint64_t> file_size, std::optional<uint64_t> available_bytes)
{
    char header[header_size];
    source(header, header_size);
    uint64_t magic;
    uint32_t counts[3];
    std::memcpy(&magic, header, 8);
    std::memcpy(counts, header + 8, 12);
    if (magic != magic_number)
        throw std::runtime_error("CH file magic number broken. Is this really a CH file?");
    const uint64_t n = counts[0], f = counts[1], b = counts[2];
    if (file_size && *file_size != file_size_for(n, f, b))
        throw std::runtime_error("CH file has a different size than specified in the header. This file is corrupt.");
    if (available_bytes && *available_bytes < file_size_for(n, f, b))
        throw std::runtime_error(stream_read_failure);

    ContractionHierarchy ch;
    ch.rank = read_vector<unsigned>(source, n);
    ch.order.assign(n, invalid_id);
    for (unsigned i = 0; i < n; ++i) {
        const unsigned r = ch.rank[i];
        if (r >= n || ch.order[r] != invalid_id)
            throw std::runtime_error("CH file has a rank that is not a permutation. This file is corrupt.");
        ch.order[r] = i;
    }
    ch.forward = read_side(source, n, f);
    ch.backward = read_side(source, n, b);
    return ch;
}

ContractionHierarchy::ByteSource stream_source(std::istream &in)
{
    return [&in](char *buffer, unsigned long long byte_count) {
        in.read(buffer, std::streamsize(byte_count));
        if (in.fail())
            throw std::runtime_error(stream_read_failure);
    };
}

// The bytes from the current position to the end, when the stream can seek.
std::optional<uint64_t> bytes_left(std::istream &in)
{
    const std::istream::pos_type here = in.tellg();
    if (here == std::istream::pos_type(-1))
        return std::nullopt;
    in.seekg(0, std::ios::end);
    const std::istream::pos_type end = in.tellg();
    in.clear();
    in.seekg(here);
    if (end == std::istream::pos_type(-1) || end < here)
        return std::nullopt;
    return uint64_t(end - here);
}

} // namespace

template <class T>
std::vector<T> read_vector(const ContractionHierarchy::ByteSource &source, unsigned long long count)
{
    std::vector<T> v;
    if (count > v.max_size())
        throw std::length_error("cannot create std::vector larger than max_size()");
    v.resize(count);
    source(reinterpret_cast<char *>(v.data()), sizeof(T) * count);
    return v;
}

template std::vector<unsigned> read_vector<unsigned>(const ContractionHierarchy::ByteSource &, unsigned long long);

void ContractionHierarchy::write(const ByteSink &sink) const
{
    if (forward.first_out.empty())
        throw std::runtime_error("Can not write a contraction hierarchy without forward.first_out.");
    const uint64_t n = forward.first_out.size() - 1;
    if (n > UINT32_MAX)
        throw std::runtime_error("Can not write a contraction hierarchy with more than 4294967295 nodes.");
    check_size("rank", rank.size(), n);
    check_side(forward, "forward", n);
    check_side(backward, "backward", n);

    char header[header_size] = {};
    const uint32_t counts[3] = {uint32_t(n), uint32_t(forward.head.size()), uint32_t(backward.head.size())};
    std::memcpy(header, &magic_number, 8);
    std::memcpy(header + 8, counts, 12);
    sink(header, header_size);
    write_vector(sink, rank);
    write_side(sink, forward);
    write_side(sink, backward);
}

void ContractionHierarchy::write(std::ostream &out) const
{
    write([&out](const char *data, unsigned long long byte_count) {
        out.write(data, std::streamsize(byte_count));
        if (out.fail())
            throw std::runtime_error("std::ostream::write failed while writing a contraction hierarchy");
    });
}

void ContractionHierarchy::save_file(const std::string &file_name) const
{
    std::ofstream out(file_name, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("Can not open \"" + file_name + "\" for writing.");
    write(out);
    // A full disk often shows only when the last buffered bytes go out.
    out.close();
    if (out.fail())
        throw std::runtime_error("Can not finish writing \"" + file_name + "\".");
}

ContractionHierarchy ContractionHierarchy::read(const ByteSource &source)
{
    return read_hierarchy(source, std::nullopt, std::nullopt);
}

ContractionHierarchy ContractionHierarchy::read(const ByteSource &source, unsigned long long file_size)
{
    return read_hierarchy(source, file_size, std::nullopt);
}

ContractionHierarchy ContractionHierarchy::read(std::istream &in)
{
    const std::optional<uint64_t> available = bytes_left(in);
    return read_hierarchy(stream_source(in), std::nullopt, available);
}

ContractionHierarchy ContractionHierarchy::read(std::istream &in, unsigned long long file_size)
{
    return read_hierarchy(stream_source(in), file_size, std::nullopt);
}

ContractionHierarchy ContractionHierarchy::load_file(const std::string &file_name)
{
    std::ifstream in(file_name, std::ios::binary);
    if (!in)
        throw std::runtime_error("Can not open \"" + file_name + "\" for reading.");
    in.seekg(0, std::ios::end);
    const unsigned long long file_size = uint64_t(in.tellg());
    in.seekg(0, std::ios::beg);
    return read(in, file_size);
}

} // namespace Routing
