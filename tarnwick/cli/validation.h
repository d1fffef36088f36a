// The check of the combination of options, after a successful parse.
#pragma once

#include "run_options.h"

namespace tarnwick {

// Tells whether the combination of options is acceptable. The first rule that decides ends the
// check:
//   1. /? present: valid (nothing else is examined).
//   2. /listxtops present: valid exactly when /reg is present, even with an empty value.
//   3. /name and /reg must each be present with a non-empty value.
//   4. /unregister present: valid.
//   5. Registering (neither /exec32 nor /exec64 is required): the values written into the 8-bit
//      registry files (the rows of kOptionTable marked inRegistryFile) must hold no character above
//      U+00FF, and /name must not be blank (only spaces and tabs).
// Has no other effect.
bool ValidateOptions(const RunOptions& options);

}  // namespace tarnwick
