// RegistrationQueue: full paths of the ".dll" and ".ocx" files installed in
// this process, in install order; registered once when the install ends.
#pragma once

#include "base/lists.h"

StringList& RegistrationQueue();
