// Every text a person reads, by identifier, with its English wording. The
// identifier is also the name a language file gives it ("InstallButton=...").
// English is the program's own language: the texts below are shown as they
// are on an English system. Placeholders are printf's (%s, %d); a translation
// keeps the same ones in the same order. Plain data: the package builder
// reads the same list to check publishers' language files.
#pragma once

#define BRASK_TEXTS(X)                                                                                               \
    X(InstallerHeading, "Installer")                                                                                 \
    X(UninstallerHeading, "Uninstaller")                                                                             \
    X(SetupCaption, "Setup")                                                                                         \
    X(InstallerCaption, "%s Installer")                                                                              \
    X(UninstallerCaption, "UnInstaller")                                                                             \
    X(InstallButton, "Install")                                                                                      \
    X(CancelButton, "Cancel")                                                                                        \
    X(ChooseButton, "Choose")                                                                                        \
    X(FinishButton, "Finish")                                                                                        \
    X(CloseButton, "Close")                                                                                          \
    X(UninstallButton, "Uninstall")                                                                                  \
    X(ReadLicenceLink, "Read License Agreement")                                                                     \
    X(LicenceHeading, "License")                                                                                     \
    X(ReadyToInstall, "Ready to Install")                                                                            \
    X(InstallTo, "Install To")                                                                                       \
    X(TermsAndConditions, "Terms & Conditions")                                                                      \
    X(DiskLine, "%s MB Required, %s %s Free")                                                                        \
    X(UnitMB, "MB")                                                                                                  \
    X(UnitGB, "GB")                                                                                                  \
    X(SelectFolder, "Select Installation Folder")                                                                    \
    X(InstallingTitle, "Installing")                                                                                 \
    X(RegisteringDlls, "Registering Dlls")                                                                           \
    X(CancelInstallQuestion, "Cancel Install?")                                                                      \
    X(CancelContainerQuestion, "Cancel Install?\r\n\r\nThe install that is running now is finished first.")          \
    X(SuccessfulInstall, "Successful Install")                                                                       \
    X(InstallIncomplete, "Install is Incomplete")                                                                    \
    X(InstallSucceededLine, "Installation has completed successfully.")                                              \
    X(InstallFailedLine, "Installation was not successful.")                                                         \
    X(ReviewAndFinish, "Review and click Finish to exit.")                                                           \
    X(ClickFinish, "Click Finish to exit.")                                                                          \
    X(RestartSetupRow, "Restart Computer [Required to Finalize Setup]")                                              \
    X(CreateIconRow, "Create Icon: %s")                                                                              \
    X(RunProgramRow, "Run Program: %s")                                                                              \
    X(ProcessingActions, "Processing Actions")                                                                       \
    X(ProcessingInstaller, "Processing Installer")                                                                   \
    X(ProcessingInstallers, "Processing Installers")                                                                 \
    X(RunningInstall, "Running Install %d of %d")                                                                    \
    X(ReadyToUninstall, "Ready to Uninstall")                                                                        \
    X(RemoveQuestion, "Remove %s?")                                                                                  \
    X(UninstallingTitle, "Uninstalling")                                                                             \
    X(UninstallCompleted, "Uninstall Completed")                                                                     \
    X(UninstallIncomplete, "Uninstall Incomplete")                                                                   \
    X(ProductRemoved, "%s has been removed successfully.")                                                           \
    X(ProductNotRemoved, "%s has not been removed.")                                                                 \
    X(RestartUninstallRow, "Restart Computer [Required to Finalize Uninstall]")                                      \
    X(RestartingWindows, "Restarting Windows")                                                                       \
    X(RerunAfterRestart, "Re-run install after restart")                                                             \
    X(RebootCountdownOne, "Automatic reboot in %d second")                                                           \
    X(RebootCountdown, "Automatic reboot in %d seconds")                                                             \
    X(RebootingNow, "Rebooting now...")                                                                              \
    X(CancelRebootButton, "Cancel Reboot")                                                                           \
    X(RebootNowButton, "Reboot Now")                                                                                 \
    X(CancelRebootQuestion, "Cancel reboot?\r\n\r\nWindows will require restarting to finalize install.")            \
    X(SystemRestarting, "System Restarting Now")                                                                     \
    X(AdminRequired,                                                                                                 \
      "Installer requires Administrator rights, change this account to an Administrator, then retry the install.")   \
    X(AdminRunAs, "Installer requires Administrator rights, on the next page shown, select 'The Following User' "    \
                  "and choose the Administrator user.")                                                              \
    X(ScopeSwitchRefused, "This product installs %s only: the switch '%s' cannot be used.")                       \
    X(ScopeSwitchUnknown, "The switch '%s' is not known: write --scope=user or --scope=machine.")                   \
    X(ScopeForEveryone, "for everyone")                                                                              \
    X(ScopeForThisUser, "for this user")                                                                             \
    X(ScopeChoiceUser, "For this user only")                                                                         \
    X(ScopeChoiceEveryone, "For everyone (needs administrator rights)")                                              \
    X(UserScopeMachinePlace, "This product cannot be installed for this user only: it writes '%s', which needs "     \
                             "administrator rights.")                                                                \
    X(UninstallAdminRequired, "Uninstaller requires Administrator rights, change this account to an "                \
                              "Administrator, then retry the uninstall.")                                            \
    X(UninstallAdminRunAs, "Uninstaller requires Administrator rights, on the next page shown, select 'The "         \
                           "Following User' and choose the Administrator user.")                                     \
    X(RequiresWindows, "This install requires Windows %s or above.")                                                 \
    X(Windows64Bit, "64 bit")                                                                                        \
    X(Corrupted, "This installation is corrupted, please obtain a new copy.")                                        \
    X(SecurityBlocking,                                                                                              \
      "Unable to extract a file from install, possibly your security software is blocking the install.")             \
    X(UncompressRead, "Error whilst uncompressing '%s', unable to read '%s'")                                        \
    X(UncompressWrite, "Error whilst uncompressing '%s', unable to write '%s'")                                      \
    X(CannotExtract, "Cannot extract '%s', disk may be full.")                                                       \
    X(CannotInstall, "Cannot install '%s', disk may be full.")                                                       \
    X(FilesInUse, "Unable to replace file(s) in use, uninstall existing version, restart Windows and reinstall.")    \
    X(UnableToExtract, "Unable to extract '%s'")                                                                     \
    X(ErrorRunning, "Error whilst running '%s'%s")                                                                   \
    X(DesktopCopyNote, "\r\n\r\nThe installer has been extracted to your desktop in a file named '%s' double "       \
                       "click this file now (before clicking OK) to manually run it")                                \
    X(ErrorRunningAction, "Error whilst running '%s'.")                                                              \
    X(ExistingFound, "Setup has detected an existing version of %s.\r\n\r\n")                                        \
    X(ExistingVersions, "  Installing Version: %s\r\n  Existing Version: %s\r\n\r\n")                                \
    X(ExistingQuestion, "Uninstall existing before installing new? (Cancel to exit, leaving existing version).")     \
    X(VersionUnknown, "[Unkonwn]")                                                                                   \
    X(UninstallLogMissing, "Unable to open the uninstall log '%s', nothing has been removed.")                       \
    X(FileReadError, "File Read Error")                                                                              \
    X(FileWriteError, "File Write Error")                                                                            \
    X(UnableToOpen, "Unable to open '%s'")                                                                           \
    X(UnableToRead, "Unable to read from '%s'")                                                                      \
    X(UnableToWrite, "Unable to write to '%s'")                                                                      \
    X(NullBufferWrite, "Error writing a NULL buffer to file")
