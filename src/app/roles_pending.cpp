// Roles whose subsystems have not been built yet: each fails at once.
#include "app/roles.h"

void RunElevatedChildRole() {}
