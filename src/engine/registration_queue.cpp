#include "engine/registration_queue.h"

StringList& RegistrationQueue() {
    static StringList queue;
    return queue;
}
