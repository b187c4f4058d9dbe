// dlgContainerInstall: the small window that shows which of a container's
// installers is running. It lives on the container thread, which dispatches
// its messages while it waits for each installer.
#pragma once

#include <stdint.h>

#include "app/picture_window.h"
#include "base/wstring.h"
#include "ui/scene.h"

class dlgContainerInstall : public PictureWindow {
public:
    // Creates the modeless window from its template, without owner.
    dlgContainerInstall();
    ~dlgContainerInstall() override;

    // Cancel, the close button and Alt+F4 ask, and a Yes stops the chain
    // after the installer that runs now.
    void OnClose() override;
    void OnInit() override;
    void OnTimer(uint32_t id, int32_t data) override;
    void OnCmdCancel() override;

    // Read by the container thread before each installer.
    volatile bool cancelRequested;

    // The count line as last drawn; read under the picture lock.
    WString CountLine();

private:
    // Composes the count onto the background when it changed.
    void DrawCount(bool always);

    Scene countScene_;
    WString countLine_;
    int32_t paintedIndex_;
    int32_t paintedTotal_;
    uint32_t timer_;
};
