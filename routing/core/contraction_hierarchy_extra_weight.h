#ifndef ROUTING_CORE_CONTRACTION_HIERARCHY_EXTRA_WEIGHT_H
#define ROUTING_CORE_CONTRACTION_HIERARCHY_EXTRA_WEIGHT_H

// A second quantity per input arc, summed along the shortest paths that the
// hierarchy's own weight defines (see the extra-weight members of
// ContractionHierarchyQuery).

#include "routing/core/contraction_hierarchy.h"

#include <vector>

namespace Routing {

// Adds two extra values without leaving their range: unsigned sums are held
// at 2147483647, int sums are clamped to the int range.
struct SaturatedWeightAddition
{
    unsigned operator()(unsigned a, unsigned b) const;
    int operator()(int a, int b) const;
};

// One extra value per hierarchy arc, computed once from the input values.
template <class T>
struct ContractionHierarchyExtraWeight
{
    std::vector<T> forward;
    std::vector<T> backward;

    // input_values holds one value per input arc.
    template <class LinkFunction>
    ContractionHierarchyExtraWeight &reset(const ContractionHierarchy &ch, const std::vector<T> &input_values,
                                           LinkFunction link)
    {
        forward.resize(ch.forward.weight.size());
        backward.resize(ch.backward.weight.size());
        // A shortcut's halves are stored at its middle node, below it, so
        // they are filled first.
        const auto fill = [&](const ContractionHierarchy::Side &side, std::vector<T> &values, unsigned x) {
            for (unsigned a = side.first_out[x]; a < side.first_out[x + 1]; ++a)
                values[a] = side.is_shortcut_an_original_arc.is_set(a)
                                ? input_values[side.shortcut_first_arc[a]]
                                : link(backward[side.shortcut_first_arc[a]], forward[side.shortcut_second_arc[a]]);
        };
        for (unsigned x = 0; x < ch.rank.size(); ++x) {
            fill(ch.forward, forward, x);
            fill(ch.backward, backward, x);
        }
        return *this;
    }
};

namespace detail {

// The link with its operands exchanged, for paths accumulated from their other end.
template <class LinkFunction>
struct InverseLinkFunction
{
    LinkFunction link;
    template <class T>
    T operator()(T a, T b) const
    {
        return link(b, a);
    }
};

template <class ExtraWeight>
struct GetExtraWeightTypeHelper;
template <class T>
struct GetExtraWeightTypeHelper<ContractionHierarchyExtraWeight<T>>
{
    using type = T;
};
template <class T>
struct GetExtraWeightTypeHelper<std::vector<T>>
{
    using type = T;
};

// The extra value of hierarchy arcs, from stored values or from input values.
template <class ExtraWeight, class LinkFunction>
class ShortcutWeights;

template <class T, class LinkFunction>
class ShortcutWeights<ContractionHierarchyExtraWeight<T>, LinkFunction>
{
public:
    ShortcutWeights(const ContractionHierarchy &, const ContractionHierarchyExtraWeight<T> &values, LinkFunction)
        : values(values)
    {
    }
    T get_forward_weight(unsigned arc) const { return values.forward[arc]; }
    T get_backward_weight(unsigned arc) const { return values.backward[arc]; }

private:
    const ContractionHierarchyExtraWeight<T> &values;
};

// Expands shortcuts on every request; keeps no values between requests.
template <class T, class LinkFunction>
class ShortcutWeights<std::vector<T>, LinkFunction>
{
public:
    ShortcutWeights(const ContractionHierarchy &ch, const std::vector<T> &input_values, LinkFunction link)
        : ch(ch), input_values(input_values), link(link)
    {
    }
    T get_forward_weight(unsigned arc) const { return weight(Step::forward_arc, arc); }
    T get_backward_weight(unsigned arc) const { return weight(Step::backward_arc, arc); }

private:
    struct Step
    {
        enum Kind : unsigned char { forward_arc, backward_arc, link_halves };
        Kind kind;
        unsigned arc;
    };

    // Every shortcut's value is link(first half, second half). Shortcuts can
    // nest as deep as the hierarchy has nodes, so the halves wait on a stack
    // of their own instead of the call stack, and their values on another.
    T weight(typename Step::Kind kind, unsigned arc) const
    {
        pending.assign(1, Step{kind, arc});
        values.clear();
        while (!pending.empty()) {
            const Step step = pending.back();
            pending.pop_back();
            if (step.kind == Step::link_halves) {
                const T second = values.back();
                values.pop_back();
                values.back() = link(values.back(), second);
                continue;
            }
            const ContractionHierarchy::Side &side = step.kind == Step::forward_arc ? ch.forward : ch.backward;
            if (side.is_shortcut_an_original_arc.is_set(step.arc)) {
                values.push_back(input_values[side.shortcut_first_arc[step.arc]]);
            } else {
                pending.push_back({Step::link_halves, 0});
                pending.push_back({Step::forward_arc, side.shortcut_second_arc[step.arc]});
                pending.push_back({Step::backward_arc, side.shortcut_first_arc[step.arc]});
            }
        }
        return values.back();
    }

    const ContractionHierarchy &ch;
    const std::vector<T> &input_values;
    LinkFunction link;
    // Scratch of one request, kept for the next.
    mutable std::vector<Step> pending;
    mutable std::vector<T> values;
};

// Exchanges the two sides, for the runs whose upward search is the backward one.
template <class Weights>
class InvertShorcutWeights
{
public:
    explicit InvertShorcutWeights(const Weights &weights) : weights(weights) {}
    auto get_forward_weight(unsigned arc) const { return weights.get_backward_weight(arc); }
    auto get_backward_weight(unsigned arc) const { return weights.get_forward_weight(arc); }

private:
    const Weights &weights;
};

} // namespace detail

} // namespace Routing

#endif
