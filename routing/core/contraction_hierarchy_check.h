#ifndef ROUTING_CORE_CONTRACTION_HIERARCHY_CHECK_H
#define ROUTING_CORE_CONTRACTION_HIERARCHY_CHECK_H

#include "routing/core/contraction_hierarchy.h"

namespace Routing {

// Throws std::runtime_error "CH is invalid because: ..." naming the first
// broken invariant. A hierarchy that passes can be queried and its paths
// unpacked without leaving its arrays, and every unpacking ends.
void check_contraction_hierarchy_for_errors(const ContractionHierarchy &ch);

} // namespace Routing

#endif
