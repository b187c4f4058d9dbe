// Environment variables an install changes, always in its own scope's
// environment: the user's (HKCU "Environment") for this user only, the
// machine's (HKLM "SYSTEM\CurrentControlSet\Control\Session Manager"
// "Environment") for everyone. A script asks with the header "[Environment]"
// and one line:
//   NAME|append|VALUE    VALUE becomes the last element of NAME's ;-list
//   NAME|prepend|VALUE   ... its first element
//   NAME|set|VALUE       NAME holds VALUE
// (the kind in any letter case; placeholders in VALUE expanded). A list
// that holds VALUE already (ignoring letter case and a trailing backslash)
// is left as it is. The value's type stays; a new list is REG_EXPAND_SZ.
#pragma once

#include <windows.h>

#include "base/wstring.h"

struct EnvironmentChange {
    enum Kind { kAppend, kPrepend, kSet };
    WString name;
    Kind kind = kAppend;
    WString value;

    // False for a line of another form.
    bool Parse(const WString& line);
    // The line it was read from (the kind spelt in lower case).
    WString Line() const;
};

// Makes the change in the install's scope, journalled; false when the
// variable was so already and nothing was written.
bool ApplyEnvironmentChange(const EnvironmentChange& change);
// Takes out what ApplyEnvironmentChange added in root's environment, given
// the change's Line(): the one list element, wherever it stands now (the
// rest stays as it is, and a list left empty goes); a variable set, while
// it still holds the value. Journalled, when a journal is active.
void RevertEnvironmentChange(HKEY root, const WString& line);
// Tells the running programs, once, when a change was made (a program that
// hangs is given up on after 5 seconds).
void BroadcastEnvironmentChange();
