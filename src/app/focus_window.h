// dlgNonElevateWndWithFocus: the small window the unelevated parent keeps on
// screen while its elevated child starts, so that the user sees something
// happening and the child may take the foreground. No message loop runs
// while the parent waits, so the picture is prepared once, at creation.
#pragma once

#include "app/picture_window.h"

class dlgNonElevateWndWithFocus : public PictureWindow {
public:
    // Creates the modeless window from its template, without owner.
    dlgNonElevateWndWithFocus();
    ~dlgNonElevateWndWithFocus() override;

    void OnInit() override;
};
