#include "engine/registration_queue.h"

namespace {

// At namespace scope, constructed with the other process-wide globals: a
// function-local static would pull the C++ runtime's guarded-initialisation
// and exception support (about 200 KB) into the stub.
StringList g_queue;

}  // namespace

StringList& RegistrationQueue() { return g_queue; }
