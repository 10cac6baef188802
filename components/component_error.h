// The one exception family of the components: each component throws its own
// kind, derived from ComponentError, with a fixed English message that
// callers and tests match exactly. Whoever only reports a component's
// failure catches ComponentError.
#pragma once

#include <stdexcept>

namespace kelvo {

class ComponentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace kelvo
