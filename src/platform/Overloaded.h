#pragma once

namespace vexrem {

// One visitor for std::visit out of several lambdas, one per alternative.
template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

} // namespace vexrem
