#ifndef ROUTING_CORE_CONTRACTION_HIERARCHY_H
#define ROUTING_CORE_CONTRACTION_HIERARCHY_H

#include "routing/core/bit_vector.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace Routing {

// A directed graph preprocessed for fast shortest-distance queries. Every node
// has a rank; every arc is stored at its lower-ranked end and points upward,
// in `forward` when it runs in input direction and in `backward` when it runs
// against it. Arcs standing for two or more input arcs (shortcuts) name the
// two arcs they bypass, so that paths can be expanded again.
struct ContractionHierarchy
{
    struct Side
    {
        // Indexed by rank: the arcs stored at rank r are first_out[r] to first_out[r+1]-1.
        std::vector<unsigned> first_out;
        // Rank of the arc's upper end; ascending and unique within one rank's range.
        std::vector<unsigned> head;
        std::vector<unsigned> weight;
        // Set for an input arc, clear for a shortcut.
        BitVector is_shortcut_an_original_arc;
        // Shortcut: the backward arc at the middle node (first half in travel order).
        // Input arc: the input arc id.
        std::vector<unsigned> shortcut_first_arc;
        // Shortcut: the forward arc at the middle node (second half in travel order).
        // Input arc: the external id of the node where the input arc ends.
        std::vector<unsigned> shortcut_second_arc;
    };

    std::vector<unsigned> rank;  // per external node id
    std::vector<unsigned> order; // per rank: the external node id
    Side forward;
    Side backward;

    using LogCallback = std::function<void(std::string)>;

    // The arc arrays must have equal lengths and hold ids below node_count; a
    // given rank or order must be a permutation of the node ids. Broken input
    // throws std::invalid_argument. An empty log callback makes the build silent.
    static ContractionHierarchy build(unsigned node_count, std::vector<unsigned> tail, std::vector<unsigned> head,
                                      std::vector<unsigned> weight, const LogCallback &log_message,
                                      unsigned max_pop_count);
    static ContractionHierarchy build_given_rank(std::vector<unsigned> rank, std::vector<unsigned> tail,
                                                 std::vector<unsigned> head, std::vector<unsigned> weight,
                                                 const LogCallback &log_message, unsigned max_pop_count);
    static ContractionHierarchy build_given_order(std::vector<unsigned> order, std::vector<unsigned> tail,
                                                  std::vector<unsigned> head, std::vector<unsigned> weight,
                                                  const LogCallback &log_message, unsigned max_pop_count);

    // The file format: a 24-byte header (magic number, node, forward arc and
    // backward arc counts, padding) and the arrays, little-endian. A sink
    // takes all the bytes it is given or throws; a source fills all of them
    // or throws. Reading checks the magic number, the size when it is known
    // and that rank is a permutation; check_contraction_hierarchy_for_errors
    // checks the rest. Failures throw std::runtime_error.
    using ByteSink = std::function<void(const char *data, unsigned long long byte_count)>;
    using ByteSource = std::function<void(char *buffer, unsigned long long byte_count)>;

    void write(const ByteSink &sink) const;
    void write(std::ostream &out) const;
    void save_file(const std::string &file_name) const;
    static ContractionHierarchy read(const ByteSource &source);
    static ContractionHierarchy read(const ByteSource &source, unsigned long long file_size);
    static ContractionHierarchy read(std::istream &in);
    static ContractionHierarchy read(std::istream &in, unsigned long long file_size);
    static ContractionHierarchy load_file(const std::string &file_name);
};

// `count` values read by one call of the source.
template <class T>
std::vector<T> read_vector(const ContractionHierarchy::ByteSource &source, unsigned long long count);

} // namespace Routing

#endif
