// Whole upgrades in a death-test child: the wizard ends the process itself.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/scripted/scripted.h"
#include "platform/testing.h"
#include "resources/dialog_ids.h"

// Answers every dialog of a default upgrade: Continue, the device address,
// Upgrade, and OK in the success dialog; and the clock double, so that the
// flash wait passes quickly.
inline void ScriptWholeUpgrade(const char* password = nullptr) {
  ScriptedEcho(true);
  PlatTestSetClockDouble(100, 0);
  ScriptAnswer(kDlgWarning, {ScriptPress(kIdOk)});
  ScriptAnswer(kDlgAddressAdapter,
               {ScriptType(kIdAddress, "127.0.0.2"), ScriptPress(kIdOk)});
  if (password) {
    ScriptAnswerAlways(kDlgPassword,
                       {ScriptType(kIdPassword, password), ScriptPress(kIdOk)});
  }
  ScriptAnswer(kDlgConfirmTarget, {ScriptPress(kIdOk)});
  ScriptAnswer(kDlgConfirmTransition, {ScriptPress(kIdOk)});
  ScriptAnswer(kDlgSuccess, {ScriptPress(kIdOk)});
  ScriptAnswer(kDlgSuccessAlt, {ScriptPress(kIdOk)});
  // The last lines of the child's record: how many connecting dialogs and
  // message boxes it showed.
  atexit([] {
    fprintf(stderr, "connecting=%zu\nboxes=%zu\n",
            ScriptedLines("open 105 ").size(), ScriptedMessageBoxes().size());
  });
}
