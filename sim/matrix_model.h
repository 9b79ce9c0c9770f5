#pragma once
// The colour matrix as the host sent it.

namespace brixel::sim {

struct MatrixState {};

}  // namespace brixel::sim
