// Reads arbitrary bytes as a contraction hierarchy file; whatever passes the
// self-check must answer queries, paths and one-to-many runs inside its arrays.
#include "routing/core/contraction_hierarchy.h"
#include "routing/core/contraction_hierarchy_check.h"
#include "routing/core/contraction_hierarchy_query.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    size_t pos = 0;
    const Routing::ContractionHierarchy::ByteSource source = [&](char *buffer, unsigned long long byte_count) {
        if (byte_count > size - pos)
            throw std::runtime_error("short input");
        if (byte_count > 0)
            std::memcpy(buffer, data + pos, byte_count);
        pos += byte_count;
    };
    try {
        const Routing::ContractionHierarchy ch = Routing::ContractionHierarchy::read(source, size);
        Routing::check_contraction_hierarchy_for_errors(ch);
        const unsigned n = unsigned(ch.rank.size());
        if (n == 0)
            return 0;
        Routing::ContractionHierarchyQuery query(ch);
        query.reset().add_source(0, 0).add_target(n - 1, 0).run();
        volatile size_t sink = query.get_distance() + query.get_node_path().size() + query.get_arc_path().size();
        std::vector<unsigned> all(n);
        for (unsigned i = 0; i < n; ++i)
            all[i] = i;
        query.reset().pin_targets(all).reset_source().add_source(n / 2, 0).run_to_pinned_targets();
        sink = sink + query.get_distances_to_targets().size() + query.get_used_sources_to_targets().size();
    } catch (const std::exception &) {
        // Refused input is the expected outcome for most bytes.
    }
    return 0;
}
