// The correctly rounded rule on [a, b] with its fast path's decisions
// exposed, for the tests and the figures of docs: how many values took
// the slow path, and the same rule with the fast path's rounding test
// made to fail, so that every value it can take goes the slow way.
// Internal to the quadrature library.
#pragma once

#include "rule/quadrature/root_batch.h"

namespace zemta::detail {

struct IntervalCounts {
  int slow_nodes = 0;    // nodes exact_value.h rounded
  int slow_weights = 0;  // weights exact_value.h rounded
  int exact_values = 0;  // values known exactly: the middle node, and
                         // the weights of order 2, which are 1
  int largest_bits = 0;  // the most bits a slow value needed
};

enum class FastRounding { allowed, refused };

// correctly_rounded_rule(n, a, b, nodes, weights) on that kernel, adding
// to *counts (if not null) what each value took.
int correctly_rounded_rule(const RootBatchKernel& kernel, int n, double a,
                           double b, double* nodes, double* weights,
                           FastRounding fast, IntervalCounts* counts);

}  // namespace zemta::detail
