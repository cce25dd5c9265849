// The fixed texts of the wizard's dialogs.
#pragma once

extern const char kWarningText[];
extern const char kAddressIntro[];
extern const char kPhoneHelp[];
extern const char kAdapterHelp[];
extern const char kPasswordText[];
extern const char kConfirmIntro[];
// Format: the introduction, then the transition image's version.
extern const char kTransitionNote[];
extern const char kSuccessText[];
extern const char kWaitingHelpText[];
