#include "engine/registration_queue.h"

namespace {

// A namespace-scope object rather than a function-local static: the guard
// of a local static drags the C++ exception runtime into the executable.
StringList queue;

}  // namespace

StringList& RegistrationQueue() { return queue; }
