// Roles whose subsystems have not been built yet: each fails at once.
#include "app/roles.h"

int RunUninstallerRole() { return 0; }
bool RunContainerRole() { return false; }
